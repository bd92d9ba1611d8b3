#include "platform/CVolumes.h"

#include "platform/CFileNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

// Removes a trailing slash except from the root itself.
QString CleanAbsolute(const QString& path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool LiesUnder(const QString& path, const QString& mountPoint)
{
    if (mountPoint == u"/")
        return path.startsWith(u'/');
    return path == mountPoint ||
           (path.startsWith(mountPoint) && path.at(mountPoint.size()) == u'/');
}

// mountinfo writes space, tab, newline and backslash as three octal digits. The result is
// the mount point's bytes, decoded as every path is (a name that is not UTF-8 keeps them).
QString UnescapeOctal(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size() && field.at(i + 1) >= '0' && field.at(i + 1) <= '3') {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return CFileNames::Decode(out);
}

// udev writes unsafe characters of names in /dev/disk as \xHH.
QString UnescapeHex(const QString& name)
{
    QByteArray in = name.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.at(i) == '\\' && i + 3 < in.size() && in.at(i + 1) == 'x') {
            bool ok = false;
            const int value = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(in.at(i));
    }
    return QString::fromUtf8(out);
}

const QSet<QString>& NetworkTypes()
{
    static const QSet<QString> types = {
        "nfs",         "nfs4",      "cifs", "smb3",      "smbfs",          "ncpfs",  "sshfs",
        "fuse.sshfs",  "afs",       "ceph", "glusterfs", "fuse.glusterfs", "davfs",  "fuse.davfs2",
        "fuse.rclone", "fuse.s3fs", "9p",   "coda",      "fuse.curlftpfs", "lustre",
    };
    return types;
}

// File systems that hold real files without a block device of their own.
const QSet<QString>& LocalTypesWithoutDevice()
{
    static const QSet<QString> types = {"overlay",        "fuse-overlayfs", "aufs",      "zfs",
                                        "btrfs",          "fuse.mergerfs",  "virtiofs",  "ecryptfs",
                                        "fuse.gocryptfs", "fuse.encfs",     "fuse.cryfs"};
    return types;
}

// Where desktops mount what the user plugs in: /media/USER/NAME, /run/media/USER/NAME.
bool IsAutomount(const QString& mountPoint)
{
    static const QRegularExpression automount(QStringLiteral("^(/run)?/media/[^/]+/[^/]+$"));
    return automount.match(mountPoint).hasMatch();
}

// The whole disk a partition belongs to: sdb1 -> sdb, mmcblk0p1 -> mmcblk0.
QString DiskOf(const QString& name)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*\\d)p\\d+$"));
    const QRegularExpressionMatch match = numbered.match(name);
    if (match.hasMatch())
        return match.captured(1);
    QString disk = name;
    while (!disk.isEmpty() && disk.back().isDigit())
        disk.chop(1);
    return disk;
}

// A sysfs flag: "1" or "0" and a newline.
bool ReadsOne(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(8).trimmed() == "1";
}

} // namespace

QString CVolumes::RootOf(const QString& path)
{
    const QString clean = CleanAbsolute(path);
    QString best;
    for (const SVolume& volume : Mounts()) {
        if (volume.mountPoint.size() > best.size() && LiesUnder(clean, volume.mountPoint))
            best = volume.mountPoint;
    }
    return best.isEmpty() ? QStringLiteral("/") : best;
}

bool CVolumes::VolumeAt(const QString& mountPoint, SVolume& volume)
{
    bool found = false;
    for (const SVolume& candidate : Mounts()) {
        if (candidate.mountPoint == mountPoint) {
            volume = candidate;
            found = true;
        }
    }
    return found;
}

SVolume::EType CVolumes::TypeOf(const QString& path)
{
    SVolume volume;
    return VolumeAt(RootOf(path), volume) ? volume.type : SVolume::EType::Other;
}

quint32 CVolumes::SerialOf(const QString& path)
{
    quint32 serial = 0;
    return SerialNumber(RootOf(path), serial) ? serial : 0;
}

QList<SVolume> CSystemVolumes::Mounts()
{
    QFile file(m_mountInfo);
    // Without a table (a sandbox, a chroot) the root file system is still there.
    if (!file.open(QIODevice::ReadOnly))
        return ParseMountInfo({});
    // The kernel writes the table in one go; a machine with ten thousand mounts fits.
    QList<SVolume> volumes = ParseMountInfo(file.read(8 * 1024 * 1024));
    // Whatever its file system, a device the kernel calls removable is a stick or a card.
    for (SVolume& volume : volumes)
        if ((volume.type == SVolume::EType::Fixed || volume.type == SVolume::EType::Other) &&
            volume.device.startsWith(u'/') && RemovableFlag(volume.device))
            volume.type = SVolume::EType::Removable;
    return volumes;
}

bool CSystemVolumes::RemovableFlag(const QString& device) const
{
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    const QString own = m_sysBlock + u'/' + name + QStringLiteral("/removable");
    if (QFileInfo::exists(own))
        return ReadsOne(own);
    const QString disk = DiskOf(name);
    return !disk.isEmpty() && QFileInfo::exists(m_sysBlock + u'/' + disk + u'/' + name) &&
           ReadsOne(m_sysBlock + u'/' + disk + QStringLiteral("/removable"));
}

QList<SVolume> CSystemVolumes::ParseMountInfo(const QByteArray& text)
{
    QList<SVolume> volumes;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // id parent major:minor root mountpoint options [optional...] - type source super
        const qsizetype dash = fields.indexOf("-");
        if (dash < 6 || dash + 1 >= fields.size())
            continue;
        SVolume volume;
        volume.mountPoint = UnescapeOctal(fields.at(4));
        volume.fsType = UnescapeOctal(fields.at(dash + 1));
        volume.device = dash + 2 < fields.size() ? UnescapeOctal(fields.at(dash + 2)) : QString();
        volume.type = Classify(volume.fsType, volume.device);
        if (volume.type == SVolume::EType::Fixed && volume.device.startsWith(u"/dev/") &&
            IsAutomount(volume.mountPoint))
            volume.type = SVolume::EType::Removable;
        volumes.append(volume);
    }
    // The root file system holds files wherever the program runs, also in a container or a
    // chroot whose table lacks "/" or names it with a type of its own.
    const auto root = std::find_if(volumes.begin(), volumes.end(),
                                   [](const SVolume& v) { return v.mountPoint == u"/"; });
    if (root == volumes.end())
        volumes.prepend({QStringLiteral("/"), QString(), QString(), SVolume::EType::Fixed});
    else if (root->type == SVolume::EType::Other)
        root->type = SVolume::EType::Fixed;
    return volumes;
}

SVolume::EType CSystemVolumes::Classify(const QString& fsType, const QString& device)
{
    using EType = SVolume::EType;
    if (fsType == u"iso9660" || fsType == u"udf" || device.startsWith(u"/dev/sr") ||
        device.startsWith(u"/dev/cdrom"))
        return EType::CdRom;
    if (NetworkTypes().contains(fsType))
        return EType::Network;
    if (fsType == u"tmpfs" || fsType == u"ramfs")
        return EType::Ram;
    // Package images (snaps) and the loop devices behind them are not places for songs.
    if (fsType == u"squashfs")
        return EType::Other;
    if (device.startsWith(u"/dev/") || LocalTypesWithoutDevice().contains(fsType) ||
        fsType == u"fuseblk")
        return EType::Fixed;
    return EType::Other;
}

quint32 CSystemVolumes::Fold(const QByteArray& text)
{
    // FNV-1a: stable across runs and machines, unlike qHash.
    quint32 hash = 2166136261u;
    for (const char c : text) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return hash;
}

quint32 CSystemVolumes::SerialFromUuid(const QString& uuid)
{
    const QString hex = QString(uuid).remove(u'-').toUpper();
    // Only the dashes of the FAT and UUID layouts are separators: an ISO 9660 date
    // ("2023-05-01-12-34-56-00") is no hex number and its date must count too.
    const qsizetype dashes = uuid.size() - hex.size();
    bool ok = false;
    if (hex.size() == 8 && dashes <= 1) {
        const quint32 serial = hex.toUInt(&ok, 16);
        if (ok)
            return serial;
    }
    if (hex.size() == 16 && dashes == 0) {
        const quint32 serial = hex.right(8).toUInt(&ok, 16);
        if (ok)
            return serial;
    }
    if (hex.size() == 32 && (dashes == 0 || dashes == 4)) {
        quint32 folded = 0;
        for (int i = 0; i < 4 && (ok || i == 0); ++i)
            folded ^= hex.mid(i * 8, 8).toUInt(&ok, 16);
        if (ok)
            return folded;
    }
    return Fold(uuid.toUtf8());
}

QString CSystemVolumes::LinkNameFor(const QString& kind, const QString& device) const
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    QDirIterator it(m_diskLinks + QStringLiteral("/by-") + kind, QDir::System | QDir::Files);
    while (it.hasNext()) {
        const QFileInfo link(it.next());
        if (link.canonicalFilePath() == target)
            return UnescapeHex(link.fileName());
    }
    return {};
}

QString CSystemVolumes::Identity(const QString& mountPoint)
{
    SVolume volume;
    if (!VolumeAt(mountPoint, volume) || !volume.device.startsWith(u'/'))
        return {};
    const QString uuid = LinkNameFor(QStringLiteral("uuid"), volume.device);
    if (!uuid.isEmpty())
        return QStringLiteral("UUID=") + uuid;
    const QString label = LinkNameFor(QStringLiteral("label"), volume.device);
    return label.isEmpty() ? QString() : QStringLiteral("LABEL=") + label;
}

bool CSystemVolumes::SerialNumber(const QString& mountPoint, quint32& serial)
{
    SVolume volume;
    if (!VolumeAt(mountPoint, volume))
        return false;
    if (volume.device.startsWith(u'/')) {
        const QString identity = Identity(mountPoint);
        if (identity.startsWith(u"UUID="))
            serial = SerialFromUuid(identity.mid(5));
        else if (identity.startsWith(u"LABEL="))
            serial = Fold(identity.mid(6).toUtf8());
        return !identity.isEmpty();
    }
    // A share is known by its server and export, which stay the same from mount to mount.
    if (volume.type == SVolume::EType::Network && !volume.device.isEmpty()) {
        serial = Fold(volume.device.toUtf8());
        return true;
    }
    return false;
}
