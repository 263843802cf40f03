#include "browser/SearchIndicator.h"

#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowRegistry.h"
#include "platform/widgets/WindowIds.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {
constexpr int kStepMs = 200;

QFont indicatorFont()
{
    // The indicator's face where the system has it; elsewhere a bold sans-serif of the same size.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(13.5);
    font.setBold(true);
    return font;
}

QTimer* makeTimer(QObject* parent, const char* name)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(kStepMs);
    return timer;
}
} // namespace

SearchIndicator::SearchIndicator(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), Timer1(makeTimer(this, "Timer1")),
      Timer2(makeTimer(this, "Timer2")), Timer3(makeTimer(this, "Timer3"))
{
    setObjectName(WindowId::searchIndicator);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(Twips::toPixels(2670), Twips::toPixels(675));

    const QFont font = indicatorFont();
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(labelText(i), this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setGeometry(Twips::rect(360, 120, 2175, 495));
        label->setFont(font);
        label->setVisible(i == 0);
        Label1[size_t(i)] = label;
    }

    connect(Timer1, &QTimer::timeout, this, &SearchIndicator::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &SearchIndicator::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &SearchIndicator::Timer3_Timer);

    // Loading: the sequence starts the moment the window exists.
    Timer1->start();
}

QString SearchIndicator::labelText(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral("Searching.");
    case 1:
        return QStringLiteral("Searching. .");
    default:
        return QStringLiteral("Searching. . .");
    }
}

int SearchIndicator::visibleLabel() const
{
    for (int i = 0; i < 3; ++i) {
        if (!Label1[size_t(i)]->isHidden())
            return i;
    }
    return -1;
}

void SearchIndicator::Timer1_Timer()
{
    Label1[0]->setVisible(false);
    Label1[1]->setVisible(true);
    Timer2->start();
    Timer1->stop();
}

void SearchIndicator::Timer2_Timer()
{
    Label1[1]->setVisible(false);
    Label1[2]->setVisible(true);
    Timer2->stop();
    Timer3->start();
}

void SearchIndicator::Timer3_Timer()
{
    // The sequence ends here, back at one dot; nothing is armed again.
    Label1[2]->setVisible(false);
    Label1[0]->setVisible(true);
    Timer3->stop();
}

void SearchIndicator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        centreOnScreen();
}

void SearchIndicator::closeEvent(QCloseEvent* event)
{
    // The window is deleted only once the current handler returns; no step may run meanwhile.
    disarmAll();
    QWidget::closeEvent(event);
}

void SearchIndicator::disarmAll()
{
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
}

void SearchIndicator::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
}

void registerSearchIndicator(WindowRegistry& registry)
{
    registry.registerWindow(WindowId::searchIndicator, [] { return new SearchIndicator; });
}
