// The search indicator: its one run of steps, and how it behaves when opened again.
#include "browser/SearchIndicator.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/TestEnvironment.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// The label shown, then the names of the armed timers: "0 Timer1" right after opening.
QString state(const SearchIndicator& form)
{
    QString text = QString::number(form.visibleLabel());
    for (int i = 0; i < 3; ++i)
        if (form.label(i)->isHidden() == (i == form.visibleLabel()))
            text += " (several labels shown)";
    for (const char* name : {" Timer1", " Timer2", " Timer3"})
        if (form.findChild<QTimer*>(QLatin1String(name + 1))->isActive())
            text += QLatin1String(name);
    return text;
}

SearchIndicator* openIndicator()
{
    return qobject_cast<SearchIndicator*>(WindowRegistry::instance().open("Form2"));
}

} // namespace

class TestSearchIndicator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_env = std::make_unique<TestEnvironment>(); }
    void init() { registerSearchIndicator(WindowRegistry::instance()); }
    void cleanup()
    {
        WindowRegistry::instance().reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Each step shows the next label and hands over to the next timer, once; the last step
    // returns to one dot and arms nothing, and the sequence does not start again.
    void stepsOnceThenStays()
    {
        SearchIndicator* form = openIndicator();
        QVERIFY(form);
        QStringList steps = {state(*form)};
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) {
            QTimer* timer = form->findChild<QTimer*>(QLatin1String(name));
            // Connected after the window's own handler, so this sees the state after the step.
            connect(timer, &QTimer::timeout, this, [&] { steps << state(*form); });
        }
        QTRY_COMPARE_WITH_TIMEOUT(steps.size(), 4, 3000);
        QCOMPARE(steps, (QStringList{"0 Timer1", "1 Timer2", "2 Timer3", "0"}));
        QCOMPARE(state(*form), QStringLiteral("0"));
    }

    // A second search while it is up only brings it to the front; closing disarms it at once,
    // and the next opening starts again from the first step.
    void openingAgain()
    {
        QPointer<SearchIndicator> first = openIndicator();
        QTRY_COMPARE_WITH_TIMEOUT(first->visibleLabel(), 1, 3000);
        QCOMPARE(openIndicator(), first.data());
        QCOMPARE(state(*first), QStringLiteral("1 Timer2"));
        QTRY_COMPARE_WITH_TIMEOUT(first->visibleLabel(), 2, 3000);
        WindowRegistry::instance().close("Form2");
        if (first) // not deleted yet
            QCOMPARE(state(*first), QStringLiteral("2"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(state(*openIndicator()), QStringLiteral("0 Timer1"));
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_MAIN(TestSearchIndicator)
#include "tst_searchindicator.moc"
