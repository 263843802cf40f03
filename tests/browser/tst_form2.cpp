// The search indicator: its look, its one run of steps, and how it behaves when opened again.
#include "browser/Form2.h"
#include "platform/widgets/Twips.h"
#include "platform/widgets/WindowRegistry.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

struct Step
{
    int label;     // label shown after the step
    QString armed; // names of the timers armed after the step
};

QString armedTimers(const Form2& form)
{
    QString names;
    for (const char* name : {"Timer1", "Timer2", "Timer3"}) {
        auto* timer = form.findChild<QTimer*>(QLatin1String(name));
        if (timer && timer->isActive())
            names += QLatin1String(name);
    }
    return names;
}

int openIndicators()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<Form2*>(widget) && widget->isVisible())
            ++count;
    }
    return count;
}

} // namespace

class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_env = std::make_unique<TestEnvironment>(); }

    void init()
    {
        WindowRegistry::instance().reset();
        registerSearchIndicator(WindowRegistry::instance());
    }

    void cleanup()
    {
        WindowRegistry::instance().reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void looksLikeTheIndicator()
    {
        auto* form = qobject_cast<Form2*>(WindowRegistry::instance().open("Form2"));
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(form->size(), QSize(Twips::toPixels(2670), Twips::toPixels(675)));
        QCOMPARE(form->frameGeometry().center(),
                 QGuiApplication::primaryScreen()->geometry().center());

        const QStringList texts = {"Searching.", "Searching. .", "Searching. . ."};
        for (int i = 0; i < 3; ++i) {
            auto* label = form->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i));
            QVERIFY2(label, qPrintable(QStringLiteral("Label1_%1").arg(i)));
            QCOMPARE(label->text(), texts[i]);
            QCOMPARE(label->geometry(), Twips::rect(360, 120, 2175, 495));
            QVERIFY(label->font().bold());
            QCOMPARE(label->font().pointSizeF(), 13.5);
            QCOMPARE(label->isHidden(), i != 0);
        }
        for (const char* name : {"Timer1", "Timer2", "Timer3"})
            QCOMPARE(form->findChild<QTimer*>(QLatin1String(name))->interval(), 200);
        QCOMPARE(armedTimers(*form), QStringLiteral("Timer1"));
    }

    // Each step shows the next label and hands over to the next timer, once; the last step
    // returns to one dot and arms nothing.
    void stepsOnceThenStays()
    {
        auto* form = qobject_cast<Form2*>(WindowRegistry::instance().open("Form2"));
        QVERIFY(form);
        QList<Step> steps;
        for (const char* name : {"Timer1", "Timer2", "Timer3"}) {
            // Connected after the window's own handler, so this sees the state after the step.
            connect(form->findChild<QTimer*>(QLatin1String(name)), &QTimer::timeout, this,
                    [form, &steps] {
                        steps.append({form->visibleLabel(), armedTimers(*form)});
                    });
        }
        QTRY_COMPARE_WITH_TIMEOUT(steps.size(), 3, 3000);
        QCOMPARE(steps[0].label, 1);
        QCOMPARE(steps[0].armed, QStringLiteral("Timer2"));
        QCOMPARE(steps[1].label, 2);
        QCOMPARE(steps[1].armed, QStringLiteral("Timer3"));
        QCOMPARE(steps[2].label, 0);
        QCOMPARE(steps[2].armed, QString());

        // Left open with the loop running, the sequence does not start again.
        QTest::qWait(700);
        QCOMPARE(steps.size(), 3);
        QCOMPARE(form->visibleLabel(), 0);
        QVERIFY(form->label(1)->isHidden());
        QVERIFY(form->label(2)->isHidden());
    }

    void everyOpeningStartsAgain()
    {
        WindowRegistry& registry = WindowRegistry::instance();
        QPointer<Form2> first = qobject_cast<Form2*>(registry.open("Form2"));
        QVERIFY(first);
        QTRY_COMPARE_WITH_TIMEOUT(first->visibleLabel(), 2, 3000);

        registry.close("Form2");
        QVERIFY(!registry.isOpen("Form2"));
        // Closed means disarmed at once, even before the window is actually deleted.
        if (first)
            QCOMPARE(armedTimers(*first), QString());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);

        auto* second = qobject_cast<Form2*>(registry.open("Form2"));
        QVERIFY(second);
        QCOMPARE(second->visibleLabel(), 0);
        QVERIFY(second->label(1)->isHidden());
        QVERIFY(second->label(2)->isHidden());
        QCOMPARE(armedTimers(*second), QStringLiteral("Timer1"));
        QTRY_COMPARE_WITH_TIMEOUT(second->visibleLabel(), 1, 3000);
    }

    // A second search started while the indicator is up only brings it to the front.
    void openingWhileOpenNeitherRestartsNorDuplicates()
    {
        WindowRegistry& registry = WindowRegistry::instance();
        auto* form = qobject_cast<Form2*>(registry.open("Form2"));
        QVERIFY(form);
        QTRY_COMPARE_WITH_TIMEOUT(form->visibleLabel(), 1, 3000);

        QCOMPARE(registry.open("Form2"), form);
        QCOMPARE(form->visibleLabel(), 1);
        QCOMPARE(armedTimers(*form), QStringLiteral("Timer2"));
        QCOMPARE(openIndicators(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(form->visibleLabel(), 2, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(armedTimers(*form), QString(), 3000);
        QCOMPARE(form->visibleLabel(), 0);
        QCOMPARE(openIndicators(), 1);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
