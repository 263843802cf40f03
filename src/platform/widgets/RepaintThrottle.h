#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// Keeps a view that a walk updates many times a second from repainting more often than every
// intervalMs: the walk's own work must not wait for paints. The interval is timed from the end
// of a repaint, so a repaint slower than the interval still leaves the walk the rest of it.
class RepaintThrottle
{
public:
    // repaint may be left empty by a caller that repaints by itself (and calls painted()).
    explicit RepaintThrottle(int intervalMs, std::function<void()> repaint = {})
        : m_intervalMs(intervalMs), m_repaint(std::move(repaint))
    {
        m_later.setSingleShot(true);
        m_later.callOnTimeout([this] { repaintNow(); });
    }

    // Whether a repaint may run now.
    bool due() const { return !m_since.isValid() || m_since.elapsed() >= m_intervalMs; }

    // Repaints now when due, else once the interval is over (one repaint for all the requests
    // made meanwhile).
    void request()
    {
        if (due())
            repaintNow();
        else if (!m_later.isActive())
            m_later.start(int(m_intervalMs - m_since.elapsed()));
    }

    void repaintNow()
    {
        m_later.stop();
        m_repaint();
        painted();
    }

    // For a caller that repaints by itself: the interval starts again now.
    void painted() { m_since.start(); }

private:
    const int m_intervalMs;
    std::function<void()> m_repaint;
    QElapsedTimer m_since;
    QTimer m_later;
};
