#include "platform/CFileNames.h"
#include "platform/CVolumes.h"
#include "support/CFakeVolumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using EType = SVolume::EType;

const QByteArray kMountInfo =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
    "31 27 11:0 / /media/user/My\\040Disc ro,nosuid shared:5 master:2 - iso9660 /dev/sr0 ro\n"
    "32 27 0:40 / /mnt/share rw - cifs //server/music rw,vers=3.0\n"
    "33 27 0:41 / /run/user/1000 rw - tmpfs tmpfs rw\n"
    "34 27 8:17 / /media/user/USB\\134STICK rw - vfat /dev/sdb1 rw\n"
    "35 27 7:3 / /snap/core/1 ro - squashfs /dev/loop3 ro\n"
    "36 27 0:50 / /home/user/remote rw - fuse.sshfs user@host:/srv rw\n"
    "garbage line without separator\n"
    "\n"
    "37 27 254:0 /data /srv/bind rw - ext4 /dev/vda1 rw\n";

TEST(MountTable, ParsesFieldsUnescapesNamesAndClassifiesDrives)
{
    const QList<SVolume> volumes = CSystemVolumes::ParseMountInfo(kMountInfo);
    ASSERT_EQ(volumes.size(), 9);
    EXPECT_EQ(volumes[0].type, EType::Other); // proc
    EXPECT_EQ(volumes[1].mountPoint, "/");
    EXPECT_EQ(volumes[1].device, "/dev/vda1");
    EXPECT_EQ(volumes[1].type, EType::Fixed);
    // Optional fields before the separator do not shift the type and source.
    EXPECT_EQ(volumes[2].mountPoint, "/media/user/My Disc");
    EXPECT_EQ(volumes[2].fsType, "iso9660");
    EXPECT_EQ(volumes[2].type, EType::CdRom);
    EXPECT_EQ(volumes[3].type, EType::Network);
    EXPECT_EQ(volumes[3].device, "//server/music");
    EXPECT_EQ(volumes[4].type, EType::Ram);
    EXPECT_EQ(volumes[5].mountPoint, "/media/user/USB\\STICK");
    EXPECT_EQ(volumes[5].type, EType::Removable); // the desktop's automount
    EXPECT_EQ(volumes[6].type, EType::Other);     // squashfs package image
    EXPECT_EQ(volumes[7].type, EType::Network);
    EXPECT_EQ(volumes[8].mountPoint, "/srv/bind");
}

TEST(MountTable, ClassifiesByDeviceWhenTheTypeSaysNothing)
{
    EXPECT_EQ(CSystemVolumes::Classify("udf", "/dev/sr1"), EType::CdRom);
    EXPECT_EQ(CSystemVolumes::Classify("auto", "/dev/sr0"), EType::CdRom);
    EXPECT_EQ(CSystemVolumes::Classify("xfs", "/dev/nvme0n1p2"), EType::Fixed);
    EXPECT_EQ(CSystemVolumes::Classify("overlay", "overlay"), EType::Fixed);
    // Encrypted folders name their hidden store, not a device: songs there are local.
    EXPECT_EQ(CSystemVolumes::Classify("ecryptfs", "/home/.ecryptfs/ann/.Private"), EType::Fixed);
    EXPECT_EQ(CSystemVolumes::Classify("fuse.gocryptfs", "/home/ann/.cipher"), EType::Fixed);
    EXPECT_EQ(CSystemVolumes::Classify("fuse.encfs", "encfs"), EType::Fixed);
    EXPECT_EQ(CSystemVolumes::Classify("nfs4", "host:/export"), EType::Network);
    EXPECT_EQ(CSystemVolumes::Classify("ramfs", "none"), EType::Ram);
    EXPECT_EQ(CSystemVolumes::Classify("sysfs", "sysfs"), EType::Other);
    EXPECT_EQ(CSystemVolumes::Classify("cgroup2", "cgroup2"), EType::Other);
}

// A container's or a chroot's table may lack "/" or give it a type of its own; files
// there are still on a fixed drive.
TEST(MountTable, TheRootFileSystemIsAlwaysAFixedDrive)
{
    for (const char* table :
         {"22 27 0:21 / /proc rw - proc proc rw\n", "1 0 0:2 / / rw - rootfs rootfs rw\n"}) {
        CFakeVolumes volumes;
        volumes.volumes = CSystemVolumes::ParseMountInfo(table);
        EXPECT_EQ(volumes.TypeOf("/usr/bin"), EType::Fixed) << table;
    }
}

// A sandbox without a readable table still has its root file system, and a mount point
// named in Latin-1 is matched by the bytes of the paths under it, like every path.
TEST(MountTable, NoTableStillHasTheRootAndNamesKeepTheirBytes)
{
    CSystemVolumes sandbox(QStringLiteral("/nonexistent/mountinfo"));
    EXPECT_EQ(sandbox.TypeOf(QStringLiteral("/music/a.mp3")), EType::Fixed);
    CFakeVolumes volumes;
    volumes.volumes =
        CSystemVolumes::ParseMountInfo("27 1 254:0 / / rw - ext4 /dev/vda1 rw\n"
                                       "40 27 8:17 / /mnt/CAF\\351\\040X rw - vfat /dev/sdb1 rw\n");
    const QString mountPoint = CFileNames::Decode("/mnt/CAF\xe9 X");
    EXPECT_EQ(volumes.RootOf(mountPoint + QStringLiteral("/a.mp3")), mountPoint);
}

TEST(MountTable, RealTableHasARoot)
{
    CSystemVolumes volumes;
    EXPECT_FALSE(volumes.Mounts().isEmpty());
    EXPECT_EQ(volumes.RootOf("/"), "/");
    // Whatever the machine, reading the serial of the root never crashes.
    volumes.SerialOf("/");
}

TEST(Serial, FatSerialIsTakenAsItIsOthersAreFoldedStably)
{
    EXPECT_EQ(CSystemVolumes::SerialFromUuid("ABCD-1234"), 0xABCD1234u);
    EXPECT_EQ(CSystemVolumes::SerialFromUuid("abcd-1234"), 0xABCD1234u);
    EXPECT_EQ(CSystemVolumes::SerialFromUuid("0123456789ABCDEF"), 0x89ABCDEFu); // NTFS
    const quint32 ext4 = CSystemVolumes::SerialFromUuid("3e6be9de-8139-11d1-9106-a43f08d823a6");
    EXPECT_EQ(ext4, 0x3e6be9deu ^ 0x813911d1u ^ 0x9106a43fu ^ 0x08d823a6u);
    // An ISO 9660 identity is a date, not hex: folded, the same on every run.
    const quint32 iso = CSystemVolumes::SerialFromUuid("2023-05-01-12-34-56-00");
    EXPECT_EQ(iso, CSystemVolumes::SerialFromUuid("2023-05-01-12-34-56-00"));
    EXPECT_NE(iso, CSystemVolumes::SerialFromUuid("2023-05-01-12-34-56-01"));
    EXPECT_EQ(iso, CSystemVolumes::Fold("2023-05-01-12-34-56-00"));
    // Discs burnt at the same time of day on other days are other discs.
    EXPECT_NE(iso, CSystemVolumes::SerialFromUuid("2024-11-30-12-34-56-00"));
    EXPECT_EQ(CSystemVolumes::Fold(""), 2166136261u);
}

TEST(Volumes, RootIsTheLongestMountPointByWholeComponents)
{
    CFakeVolumes volumes;
    volumes.Mount("/", EType::Fixed, 1);
    volumes.Mount("/media/cd", EType::CdRom, 2);
    volumes.Mount("/media/cd/inner", EType::Fixed, 3);
    EXPECT_EQ(volumes.RootOf("/media/cd/a/b.mp3"), "/media/cd");
    EXPECT_EQ(volumes.RootOf("/media/cd"), "/media/cd");
    EXPECT_EQ(volumes.RootOf("/media/cd/"), "/media/cd");
    EXPECT_EQ(volumes.RootOf("/media/cdrom/x.mp3"), "/"); // not a component prefix
    EXPECT_EQ(volumes.RootOf("/media/cd/inner/x"), "/media/cd/inner");
    EXPECT_EQ(volumes.RootOf("/media/cd/../x"), "/");
    EXPECT_EQ(volumes.TypeOf("/media/cd/x.mp3"), EType::CdRom);
    EXPECT_EQ(volumes.SerialOf("/media/cd/x.mp3"), 2u);
    EXPECT_EQ(volumes.SerialOf("/home/x"), 1u);
}

TEST(Volumes, LaterMountHidesEarlierOneAtTheSamePoint)
{
    CFakeVolumes volumes;
    volumes.Mount("/", EType::Fixed, 1);
    volumes.Mount("/mnt", EType::Fixed, 5);
    volumes.Mount("/mnt", EType::CdRom, 6, false);
    EXPECT_EQ(volumes.TypeOf("/mnt/x"), EType::CdRom);
    SVolume volume;
    EXPECT_TRUE(volumes.VolumeAt("/mnt", volume));
    EXPECT_FALSE(volumes.VolumeAt("/nowhere", volume));
}

} // namespace

namespace {

TEST(SystemVolumes, SerialComesFromUuidThenLabelThenTheShareName)
{
    QTemporaryDir root;
    const QString dev = root.path() + "/dev";
    QDir().mkpath(dev + "/disk/by-uuid");
    QDir().mkpath(dev + "/disk/by-label");
    for (const char* name : {"sdb1", "sdc1", "sdd1"})
        QFile(dev + "/" + name).open(QIODevice::WriteOnly);
    QFile::link(dev + "/sdb1", dev + "/disk/by-uuid/ABCD-1234");
    QFile::link(dev + "/sdc1", dev + "/disk/by-label/My\\x20Disc");
    QFile mountInfo(root.path() + "/mountinfo");
    ASSERT_TRUE(mountInfo.open(QIODevice::WriteOnly));
    mountInfo.write(QString("1 0 8:17 / /media/usb rw - vfat %1/sdb1 rw\n"
                            "2 0 8:33 / /media/cd ro - iso9660 %1/sdc1 ro\n"
                            "3 0 8:49 / /media/bare rw - ext4 %1/sdd1 rw\n"
                            "4 0 0:50 / /mnt/nas rw - nfs4 nas:/music rw\n")
                        .arg(dev)
                        .toUtf8());
    mountInfo.close();

    CSystemVolumes volumes(mountInfo.fileName(), dev + "/disk");
    quint32 serial = 0;
    EXPECT_TRUE(volumes.SerialNumber("/media/usb", serial));
    EXPECT_EQ(serial, 0xABCD1234u);
    EXPECT_TRUE(volumes.SerialNumber("/media/cd", serial));
    EXPECT_EQ(serial, CSystemVolumes::Fold("My Disc"));
    EXPECT_FALSE(volumes.SerialNumber("/media/bare", serial));
    EXPECT_TRUE(volumes.SerialNumber("/mnt/nas", serial));
    EXPECT_EQ(serial, CSystemVolumes::Fold("nas:/music"));
    EXPECT_FALSE(volumes.SerialNumber("/not/mounted", serial));
    EXPECT_EQ(volumes.SerialOf("/media/usb/Album/a.mp3"), 0xABCD1234u);
}

} // namespace
