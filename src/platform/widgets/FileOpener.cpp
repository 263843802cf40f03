#include "platform/widgets/FileOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QObject>

namespace {
FileOpener::Factory& installedFactory()
{
    static FileOpener::Factory factory;
    return factory;
}

QString withoutTrailingBlanks(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}
} // namespace

FileOpener::~FileOpener() = default;

std::unique_ptr<FileOpener> FileOpener::create()
{
    if (const Factory& factory = installedFactory())
        return factory();
    return std::make_unique<DesktopFileOpener>();
}

void FileOpener::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}

DesktopFileOpener::DesktopFileOpener(Launcher launcher) : m_launcher(std::move(launcher))
{
    if (!m_launcher)
        m_launcher = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QString DesktopFileOpener::existingFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return QString();
    if (QFileInfo::exists(fileName))
        return fileName;
    const QString trimmed = withoutTrailingBlanks(fileName);
    if (!trimmed.isEmpty() && trimmed != fileName && QFileInfo::exists(trimmed))
        return trimmed;
    return QString();
}

bool DesktopFileOpener::open(QString& fileName, QString* error)
{
    const QString shown = QDir::toNativeSeparators(withoutTrailingBlanks(fileName));
    if (withoutTrailingBlanks(fileName).isEmpty()) {
        if (error)
            *error = QObject::tr("The record holds no file name to open.");
        return false;
    }
    const QString path = existingFile(fileName);
    if (path.isEmpty()) {
        if (error)
            *error = QObject::tr("The file \"%1\" does not exist.").arg(shown);
        return false;
    }
    // A file URL, not a command line: the name reaches the desktop as data, never a shell.
    if (!m_launcher(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()))) {
        if (error)
            *error = QObject::tr("There is no application to open \"%1\".").arg(shown);
        return false;
    }
    return true;
}
