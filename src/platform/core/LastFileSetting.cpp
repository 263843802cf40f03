#include "platform/core/LastFileSetting.h"

#include <QSettings>

namespace {
const QString kApplication = QStringLiteral("vellumark");
const QString kKey = QStringLiteral("lastfile/recent files");
} // namespace

namespace LastFileSetting {

QString read()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
    return settings.value(kKey).toString();
}

void write(const QString& path)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
    settings.setValue(kKey, path);
    settings.sync();
}

} // namespace LastFileSetting
