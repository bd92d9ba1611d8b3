#pragma once

#include <QList>
#include <QString>

// The mounted file systems: what stands in for drive letters. A drive root is a mount
// point; a path's root is the mount point it lies under.
struct SVolume
{
    enum class EType
    {
        CdRom,
        Fixed,
        Network,
        Ram,
        Other
    };
    QString mountPoint;
    QString device;
    QString fsType;
    EType type = EType::Other;
};

class CVolumes
{
public:
    virtual ~CVolumes() = default;
    // The mount table, in its own order.
    virtual QList<SVolume> Mounts() = 0;
    // The volume's 32-bit serial number; false when it has none that can be read.
    virtual bool SerialNumber(const QString& mountPoint, quint32& serial) = 0;

    // The mount point the path lies under (the longest matching mount point).
    QString RootOf(const QString& path);
    // The type of the volume holding the path.
    SVolume::EType TypeOf(const QString& path);
    // Serial number of the volume holding the path; 0 when none can be read.
    quint32 SerialOf(const QString& path);
};

// The real machine: /proc/self/mountinfo and the file systems' identities.
class CSystemVolumes : public CVolumes
{
public:
    QList<SVolume> Mounts() override;
    bool SerialNumber(const QString& mountPoint, quint32& serial) override;
};
