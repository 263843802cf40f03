#pragma once

#include "capture/walker/SideLengths.h"
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
    explicit CaptureWindowLists(CaptureWindow* window);
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

    // Puts the walk's latest folder on the lists and its progress on the bar. During the walk
    // the window shows them at most once per frame (every few dozen milliseconds), all in one
    // paint when events run next; they are put on the controls before anything else can look
    // at them: before an error's message box, and when the walk returns.
    void showCurrent();
    // The walk is over: the lists take every later move at once again (a run's lists stay in
    // place after the walk, during its questions).
    void endWalk();

private:
    void maybeShowProgress();
    // Puts the latest progress on the bar; paints it at once when paint is set, else leaves
    // the bar's updates off, so taking the values paints nothing.
    void showProgress(bool paint);
    // The lists and the bar brought up to date, painted when events run next.
    void showFrame();

    static constexpr qint64 kEventsIntervalMs = 16;

    QPointer<CaptureWindow> m_window;
    QElapsedTimer m_sinceEvents; // since the window system's events last ran
    RepaintThrottle m_throttle{50}; // one frame of the lists and the bar
    int m_progressMaximum = 0;
    int m_progressValue = 0;
    bool m_progressPending = false;
    bool m_holding = false; // the lists' rows are held for the walk
    SideLengths m_side; // the file lengths the second core reads
};
