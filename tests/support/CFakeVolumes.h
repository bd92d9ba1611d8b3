#pragma once

#include "platform/CVolumes.h"

#include <QMap>
#include <QTemporaryDir>
#include <memory>
#include <vector>

// A mount table for tests. Drives are temporary folders that stand in for mount points;
// a disc is "inserted" by giving its drive a serial number and files.
class CFakeVolumes : public CVolumes
{
public:
    QList<SVolume> volumes;
    QMap<QString, quint32> serials;    // mount point -> serial; absent means none readable
    QMap<QString, QString> identities; // mount point -> "UUID=…"; absent means none
    int serialReads = 0;

    QList<SVolume> Mounts() override { return volumes; }
    bool SerialNumber(const QString& mountPoint, quint32& serial) override
    {
        ++serialReads;
        if (!serials.contains(mountPoint))
            return false;
        serial = serials.value(mountPoint);
        return true;
    }

    QString Identity(const QString& mountPoint) override { return identities.value(mountPoint); }

    // Adds a mount at an existing folder.
    void Mount(const QString& mountPoint, SVolume::EType type, quint32 serial = 0,
               bool hasSerial = true)
    {
        volumes.append({mountPoint, QStringLiteral("/dev/fake%1").arg(volumes.size()),
                        QStringLiteral("fake"), type});
        if (hasSerial)
            serials.insert(mountPoint, serial);
    }
    // A new temporary folder mounted as a drive of the given type; lives as long as this.
    QString AddDrive(SVolume::EType type, quint32 serial = 0, bool hasSerial = true)
    {
        m_dirs.push_back(std::make_unique<QTemporaryDir>());
        const QString path = m_dirs.back()->path();
        Mount(path, type, serial, hasSerial);
        return path;
    }

private:
    std::vector<std::unique_ptr<QTemporaryDir>> m_dirs;
};
