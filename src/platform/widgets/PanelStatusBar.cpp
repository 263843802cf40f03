#include "platform/widgets/PanelStatusBar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>

PanelStatusBar::PanelStatusBar(const QString& initialText, QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    // Left to right: time, date, then the text panel, which takes the remaining width.
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setContentsMargins(4, 0, 4, 0);
    }
    m_panels[2]->setText(initialText);
    addWidget(m_panels[0]);
    addWidget(m_panels[1]);
    addWidget(m_panels[2], /*stretch=*/1);

    m_clock = new QTimer(this);
    m_clock->setObjectName(QStringLiteral("clockTimer"));
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &PanelStatusBar::refreshClock);
    m_clock->start();
    refreshClock();
}

QLabel* PanelStatusBar::panel(int number) const
{
    if (number < 1 || number > 3)
        return nullptr;
    return m_panels[number - 1];
}

QString PanelStatusBar::panelText(int number) const
{
    const QLabel* label = panel(number);
    return label ? label->text() : QString();
}

void PanelStatusBar::setPanelText(int number, const QString& text)
{
    if (QLabel* label = panel(number))
        label->setText(text);
}

void PanelStatusBar::refreshClock()
{
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    m_panels[0]->setText(locale.toString(now.time(), QLocale::ShortFormat));
    m_panels[1]->setText(locale.toString(now.date(), QLocale::ShortFormat));
}
