#pragma once

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// Points the settings store at a private temporary folder before anything reads it, so tests
// never touch the user's real settings. Create one at the start of initTestCase().
class TestEnvironment
{
public:
    TestEnvironment()
    {
        const QString config = m_dir.filePath(QStringLiteral("config"));
        qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
        QDir().mkpath(config);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
        QStandardPaths::setTestModeEnabled(true);
    }
    QString path() const { return m_dir.path(); }
    // Writes bytes to a file in the temporary folder and returns its full path.
    QString writeFile(const QString& name, const QByteArray& bytes) const
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }

private:
    QTemporaryDir m_dir;
};

// A file's bytes; empty when it cannot be read.
inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
