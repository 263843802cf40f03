#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <functional>
#include <memory>

// Replaces a file's contents all at once: the new contents are written to a temporary file in
// the same folder, flushed, synced to the disk and renamed over the target, so a failure or a
// kill at any moment leaves either the old file or the new one, never a mix. An existing
// target's permissions are kept. Until commit() succeeds the target is never touched; a
// temporary file that was not committed is removed when the object goes.
class AtomicFile
{
public:
    enum class Step { Open, Write, Sync, Rename };
    // Makes the temporary file object; tests hand in one that fails on purpose.
    using FileFactory = std::function<std::unique_ptr<QFile>(const QString& path)>;
    // Runs before each step; tests use it to stop the process between writing and renaming.
    using StepHook = std::function<void(Step step)>;

    explicit AtomicFile(const QString& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void setFileFactory(FileFactory factory) { m_factory = std::move(factory); }
    void setStepHook(StepHook hook) { m_hook = std::move(hook); }

    // Creates the temporary file. False with the system's reason, naming the folder.
    bool open(QString* error);
    // Appends bytes to the temporary file. After a failure every later call fails too.
    bool write(QByteArrayView bytes, QString* error);
    // Flushes, syncs, gives it the target's permissions and renames it over the target.
    bool commit(QString* error);

    QString target() const { return m_target; }
    QString temporaryPath() const { return m_temporary; }

private:
    bool fail(QString* error, const QString& description);
    void step(Step s) const
    {
        if (m_hook)
            m_hook(s);
    }

    QString m_target;
    QString m_temporary;
    FileFactory m_factory;
    StepHook m_hook;
    std::unique_ptr<QFile> m_file;
    QString m_failure;
    bool m_committed = false;
};
