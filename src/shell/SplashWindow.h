#pragma once

#include <QWidget>

class QLabel;
class QTimer;

// The splash window, which opens every run and is also the About box: the title picture on a
// black ground, no border. Its timer, armed when the window is built, hands over to the
// database window 2000 ms later: hide the splash, open (or bring to the front) DatabaseWindow, close
// the splash.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SplashWindow(QWidget* parent = nullptr);

    QLabel* image() const { return m_image; }
    QTimer* closeTimer() const { return m_timer; }

    // The timer's handler.
    void onCloseTimeout();

private:
    QLabel* m_image = nullptr;
    QTimer* m_timer = nullptr;
    // Set by the first tick for good: opening DatabaseWindow may wait in a message box, during which
    // the still-armed timer ticks again, and the hand-over must not run twice.
    bool m_handedOver = false;
};
