#pragma once

#include <QStatusBar>
#include <QString>

class QLabel;
class QTimer;

// A status bar with the three panels both main windows use: the time and the date, in the
// locale's short formats and kept current by a timer, and a free text panel that takes the
// rest of the width. Panels are numbered from 1, as the windows refer to them.
class PanelStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    explicit PanelStatusBar(const QString& initialText = QString(), QWidget* parent = nullptr);

    // Panel 1 is the time, panel 2 the date, panel 3 the text.
    QLabel* panel(int number) const;
    QString panelText(int number) const;
    void setPanelText(int number, const QString& text);

    // The text panel.
    QString text() const { return panelText(3); }
    void setText(const QString& text) { setPanelText(3, text); }

    // Refreshes the time and date panels now (the timer does it every second).
    void refreshClock();

private:
    QLabel* m_panels[3] = {nullptr, nullptr, nullptr};
    QTimer* m_clock = nullptr;
};
