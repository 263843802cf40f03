#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

// Opens a catalogued file the way the desktop would: the one operation the database window's
// open action hands a file name to. Instances are cheap; the window makes a new one for every
// action. FileOpener::create() gives the desktop implementation unless a test has installed a
// factory of its own.
class FileOpener
{
public:
    virtual ~FileOpener();

    // Opens the named file. Returns false with a description the user can read when the file
    // is missing or nothing can open it. The name is taken by reference, as callers hand over
    // the value they read from the grid.
    virtual bool open(QString& fileName, QString* error = nullptr) = 0;

    using Factory = std::function<std::unique_ptr<FileOpener>()>;

    // A new opener from the installed factory (the desktop one by default).
    static std::unique_ptr<FileOpener> create();

    // Replaces the factory; an empty one restores the desktop opener.
    static void setFactory(Factory factory);
};

// The default: hands a file URL to the desktop's application for the file's type
// (QDesktopServices::openUrl), never through a shell.
class DesktopFileOpener : public FileOpener
{
public:
    using Launcher = std::function<bool(const QUrl&)>;

    // The launcher defaults to QDesktopServices::openUrl.
    explicit DesktopFileOpener(Launcher launcher = Launcher());

    bool open(QString& fileName, QString* error = nullptr) override;

    // The file that open() would hand on for a name: the name itself when it exists, else the
    // name without trailing blanks when that exists (fixed-width fields may pad a path);
    // empty when neither does.
    static QString existingFile(const QString& fileName);

private:
    Launcher m_launcher;
};
