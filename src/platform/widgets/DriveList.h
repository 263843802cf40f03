#pragma once

#include <QComboBox>
#include <QStorageInfo>
#include <QString>

// The drive list: the mounted volumes a user would pick, by root path. Pseudo and sandbox file
// systems (proc, sysfs, cgroups, device and runtime tmpfs, container overlays) are left out;
// the root "/" is always offered.
class DriveList : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveList(QWidget* parent = nullptr);

    // Root path of the chosen drive.
    QString drive() const;
    // Chooses the drive that holds path (the longest root that contains it).
    void setDriveOf(const QString& path);
    void refresh();

    // Whether a volume is one a user would pick (exposed for tests).
    static bool isUserVolume(const QStorageInfo& volume);

signals:
    void driveChanged(const QString& rootPath);
};
