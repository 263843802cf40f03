#include "platform/widgets/ProgramEnd.h"

#include "platform/core/FileChannel.h"

#include <QApplication>
#include <QWidget>

#include <map>

namespace ProgramEnd {

namespace {
struct State
{
    bool ending = false;
    int nextId = 1;
    std::map<int, std::function<void()>> aboutToEnd;
    std::function<void()> quit;
};
State& state()
{
    static State instance;
    return instance;
}
} // namespace

void endProgram()
{
    State& s = state();
    s.ending = true;
    const auto work = s.aboutToEnd;
    for (const auto& entry : work)
        entry.second();
    FileChannel::instance().close();
    for (QWidget* window : QApplication::topLevelWidgets())
        window->hide();
    if (s.quit)
        s.quit();
    else
        QCoreApplication::exit(0);
}

bool isEnding()
{
    return state().ending;
}

int addAboutToEnd(std::function<void()> work)
{
    const int id = state().nextId++;
    state().aboutToEnd[id] = std::move(work);
    return id;
}

void removeAboutToEnd(int id)
{
    state().aboutToEnd.erase(id);
}

void setQuitHandler(std::function<void()> quit)
{
    state().quit = std::move(quit);
}

void resetForTests()
{
    state().ending = false;
}

} // namespace ProgramEnd
