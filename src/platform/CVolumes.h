#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The mounted file systems: what stands in for drive letters. A drive root is a mount
// point; a path's root is the mount point it lies under.
struct SVolume
{
    enum class EType
    {
        CdRom,
        Removable, // USB sticks, SD cards: asked for by name and found wherever mounted
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
    // The volume's own name, "UUID=…" or else "LABEL=…"; empty when it has neither. It
    // stays the same wherever the volume is mounted.
    virtual QString Identity(const QString& mountPoint) { return {}; }

    // The mount point the path lies under (the longest mount point that is a prefix of the
    // cleaned absolute path, compared by whole components). Textual on purpose: stored
    // paths are split at this root and moved onto another mount point later.
    QString RootOf(const QString& path);
    // The type of the volume holding the path.
    SVolume::EType TypeOf(const QString& path);
    // Serial number of the volume holding the path; 0 when none can be read.
    quint32 SerialOf(const QString& path);

    // The volume mounted at exactly this mount point (the last one mounted there wins,
    // as it hides the others); false when nothing is mounted there.
    bool VolumeAt(const QString& mountPoint, SVolume& volume);
};

// The real machine: /proc/self/mountinfo and the file systems' identities.
class CSystemVolumes : public CVolumes
{
public:
    // Other places for the mount table, the /dev/disk links and sysfs's block devices
    // (tests).
    explicit CSystemVolumes(QString mountInfo = QStringLiteral("/proc/self/mountinfo"),
                            QString diskLinks = QStringLiteral("/dev/disk"),
                            QString sysBlock = QStringLiteral("/sys/block"))
        : m_mountInfo(std::move(mountInfo)), m_diskLinks(std::move(diskLinks)),
          m_sysBlock(std::move(sysBlock))
    {}
    QList<SVolume> Mounts() override;
    bool SerialNumber(const QString& mountPoint, quint32& serial) override;
    QString Identity(const QString& mountPoint) override;

    // The mount table from the text of a mountinfo file. A block device the desktop
    // mounted under /media/USER or /run/media/USER is removable.
    static QList<SVolume> ParseMountInfo(const QByteArray& text);
    // The kind of drive a mount stands for.
    static SVolume::EType Classify(const QString& fsType, const QString& device);
    // A 32-bit serial from a file-system identity: "ABCD-1234" (FAT) is the serial itself,
    // 16 hex digits (NTFS) give their low 32 bits, other texts are folded.
    static quint32 SerialFromUuid(const QString& uuid);
    static quint32 Fold(const QByteArray& text);

private:
    // The device's identity from the symlinks udev keeps in /dev/disk/by-<kind>.
    QString LinkNameFor(const QString& kind, const QString& device) const;
    // The kernel's removable flag of the device's disk (sysfs).
    bool RemovableFlag(const QString& device) const;

    QString m_mountInfo;
    QString m_diskLinks;
    QString m_sysBlock;
};
