#pragma once

#include "capture/walker/WalkerLists.h"

#include "platform/widgets/RepaintThrottle.h"

#include <QElapsedTimer>
#include <QPointer>

class CaptureWindow;

// The walker's lists over the capture window's own controls. Every operation checks that the
// window still exists; once it has gone, the folder list refuses to move and the lists are
// empty, so a walk that outlives its window writes nothing more.
class CaptureWindowLists : public WalkerLists
{
public:
    explicit CaptureWindowLists(CaptureWindow* window) : m_window(window) {}
    ~CaptureWindowLists() override;
    CaptureWindowLists(const CaptureWindowLists&) = delete;
    CaptureWindowLists& operator=(const CaptureWindowLists&) = delete;

    QString folderPath() const override;
    bool setFolderPath(const QString& path, QString* error) override;
    int folderCount() const override;
    QString folderEntry(int index) const override;
    int fileCount() const override;
    QString fileEntry(int index) const override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void yield() override;
    bool fileLength(int index, const QString& fullName, qint64* length, QString* reason) override;

    // Puts the walk's latest progress on the bar, painting it when paint is set. The walker's
    // progress is held here and painted at most every few dozen milliseconds; it is put on the
    // bar before anything else can look at it: at each yield, before an error's message box,
    // and when the walk returns.
    void showProgress(bool paint = true);

private:
    void maybeShowProgress();

    static constexpr qint64 kEventsIntervalMs = 16;

    QPointer<CaptureWindow> m_window;
    QElapsedTimer m_sinceEvents; // since the window system's events last ran
    RepaintThrottle m_throttle{40};
    int m_progressMaximum = 0;
    int m_progressValue = 0;
    bool m_progressPending = false;
};
