#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

TestEnvironment::TestEnvironment()
{
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
    QDir().mkpath(m_dir.filePath(QStringLiteral("config")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_dir.filePath(QStringLiteral("config")));
    QStandardPaths::setTestModeEnabled(true);
}

QString TestEnvironment::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = m_dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}
