#include "model/CDriveLocator.h"
#include "platform/CSettings.h"
#include "support/CFakeVolumes.h"
#include "support/CRecordingProgress.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using EType = SVolume::EType;
using EVariant = CDriveLocator::EVariant;

void Touch(const QString& path)
{
    QDir().mkpath(path.section('/', 0, -2));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

void Record(const QString& session, quint32 serial, const QString& root)
{
    CSettings::WriteInt(CSettings::kCdrecord, session, int(serial));
    CSettings::WriteString(CSettings::kCDRoot, session, root);
}

struct DriveLocatorTest : ::testing::Test
{
    CTestEnvironment env;
    CFakeVolumes volumes;
    CScriptedPrompts prompts;
    CDriveLocator locator{volumes, prompts};
};

// Prompts of a user who inserts the disc (serial 99) while the question is up.
struct CInserting : CScriptedPrompts
{
    CFakeVolumes* volumes = nullptr;
    QString drive;
    EAnswer Message(const QString& t, const QString& c, EIcon i, EButtons b) override
    {
        volumes->serials[drive] = 99;
        return CScriptedPrompts::Message(t, c, i, b), EAnswer::Ok;
    }
};

TEST_F(DriveLocatorTest, DiscStillInItsDriveIsAcceptedWithoutSearching)
{
    const QString cd = volumes.AddDrive(EType::CdRom, 0x1234);
    Record("Jazz 'n' Blues", 0x1234, cd);
    const QString song = cd + "/Jazz/a.mp3";
    EXPECT_EQ(locator.LocateCdDrive(song, "Jazz 'n' Blues", EVariant::General), song);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(DriveLocatorTest, DiscInAnotherDriveIsFoundBySerialAndThePathMoved)
{
    const QString first = volumes.AddDrive(EType::CdRom, 0x1111);
    const QString second = volumes.AddDrive(EType::CdRom, 0xCAFEBABE);
    Record("Rock", 0xCAFEBABE, first);
    EXPECT_EQ(locator.LocateCdDrive(first + "/Ärzte/b.mp3", "Rock", EVariant::General),
              second + "/Ärzte/b.mp3");
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(DriveLocatorTest, WithoutSerialTheFileItselfIsLookedForOnAcceptedDrives)
{
    const QString old = volumes.AddDrive(EType::CdRom, 0, false);
    const QString ram = volumes.AddDrive(EType::Ram, 0, false);
    const QString other = volumes.AddDrive(EType::Other, 0, false);
    const QString usb = volumes.AddDrive(EType::Fixed, 0, false);
    Touch(other + "/x/100% 'live'.mp3");
    Touch(usb + "/x/100% 'live'.mp3");
    Record("Live", 0, old);
    // The pseudo file system holds the file too, but is no drive.
    EXPECT_EQ(locator.LocateCdDrive(old + "/x/100% 'live'.mp3", "Live", EVariant::General),
              usb + "/x/100% 'live'.mp3");
    Touch(ram + "/x/100% 'live'.mp3");
    EXPECT_EQ(locator.LocateCdDrive(old + "/x/100% 'live'.mp3", "Live", EVariant::General),
              ram + "/x/100% 'live'.mp3");
}

// A folder session whose folder is still there: a song gone from it is the file's fault,
// left to whoever opens it, and no disc is asked for.
TEST_F(DriveLocatorTest, AFolderStillThereIsNotAskedForAsADisc)
{
    const QString disk = volumes.AddDrive(EType::Fixed, 0, false);
    ASSERT_TRUE(QDir().mkpath(disk + "/music"));
    Record("H2", 0, disk);
    const QString song = disk + "/music/gone.mp3";
    EXPECT_EQ(locator.LocateSong(song, "H2"), song);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(DriveLocatorTest, DiscInNoDriveIsAskedForUntilCancel)
{
    const QString cd = volumes.AddDrive(EType::CdRom, 7);
    Record("Pop", 99, cd);
    prompts.answers << CPrompts::EAnswer::Ok << CPrompts::EAnswer::Ok << CPrompts::EAnswer::Cancel;
    EXPECT_EQ(locator.LocateCdDrive(cd + "/a.mp3", "Pop", EVariant::General), "");
    ASSERT_EQ(prompts.messages.size(), 3);
    for (const auto& m : prompts.messages) {
        EXPECT_EQ(m.text, "Insert the disc \"Pop\" in any drive.");
        EXPECT_EQ(m.caption, "Insert CD");
        EXPECT_EQ(m.icon, CPrompts::EIcon::Question);
        EXPECT_EQ(m.buttons, CPrompts::EButtons::OkCancel);
    }
}

// The command line answers in advance: one more look, then the disc is given up, even
// though every answer would be Ok.
TEST_F(DriveLocatorTest, WithARetryLimitTheDiscIsLookedForOnceMoreThenGivenUp)
{
    const QString cd = volumes.AddDrive(EType::CdRom, 7);
    Record("Pop", 99, cd);
    prompts.insertRetryLimit = 1;
    prompts.answers << CPrompts::EAnswer::Ok << CPrompts::EAnswer::Ok << CPrompts::EAnswer::Ok;
    CRecordingProgress progress;
    EXPECT_EQ(locator.LocateCdDrive(cd + "/a.mp3", "Pop", EVariant::Upgrade, &progress), "");
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(progress.shows, progress.hides);

    // The one more look is real: a disc that turns up meanwhile is found.
    CInserting inserting;
    inserting.volumes = &volumes;
    inserting.drive = cd;
    inserting.insertRetryLimit = 1;
    volumes.serials[cd] = 7;
    EXPECT_EQ(
        CDriveLocator(volumes, inserting).LocateCdDrive(cd + "/a.mp3", "Pop", EVariant::General),
        cd + "/a.mp3");
}

TEST_F(DriveLocatorTest, InsertingTheDiscAfterThePromptFindsIt)
{
    const QString cd = volumes.AddDrive(EType::CdRom, 7);
    Record("Pop", 99, "/media/old");
    // The user inserts the disc while the question is up: the drive's serial changes.
    CInserting inserting;
    inserting.volumes = &volumes;
    inserting.drive = cd;
    CDriveLocator asking(volumes, inserting);
    EXPECT_EQ(asking.LocateCdDrive("/media/old/d/a.mp3", "Pop", EVariant::General),
              cd + "/d/a.mp3");
    EXPECT_EQ(inserting.messages.size(), 1);
}

TEST_F(DriveLocatorTest, VariantsSearchTheirOwnDriveTypes)
{
    const QString net = volumes.AddDrive(EType::Network, 5);
    Record("S", 5, "/media/gone");
    EXPECT_EQ(locator.LocateCdDrive("/media/gone/a.mp3", "S", EVariant::General), net + "/a.mp3");
    EXPECT_EQ(locator.LocateCdDrive("/media/gone/a.mp3", "S", EVariant::Upgrade), "");
    EXPECT_EQ(locator.LocateCdDrive("/media/gone/a.mp3", "S", EVariant::Copy), "");
}

TEST_F(DriveLocatorTest, CopyTakesAPathOffCdRomsAsItIs)
{
    const QString disk = volumes.AddDrive(EType::Fixed, 1);
    Record("Home", 42, disk);
    EXPECT_EQ(locator.LocateCdDrive(disk + "/a.mp3", "Home", EVariant::Copy), disk + "/a.mp3");
    EXPECT_TRUE(prompts.messages.isEmpty());
    const QString cd = volumes.AddDrive(EType::CdRom, 3);
    Record("Disc", 42, cd);
    EXPECT_EQ(locator.LocateCdDrive(cd + "/a.mp3", "Disc", EVariant::Copy), "");
}

TEST_F(DriveLocatorTest, UpgradeHidesItsProgressWhileAskingAndShowsItAgain)
{
    const QString cd = volumes.AddDrive(EType::CdRom, 1);
    Record("Old", 2, cd);
    CRecordingProgress progress;
    EXPECT_EQ(locator.LocateCdDrive(cd + "/a.mp3", "Old", EVariant::Upgrade, &progress), "");
    EXPECT_EQ(progress.hides, 1);
    EXPECT_EQ(progress.shows, 1);
    // The general variant leaves a progress alone.
    CRecordingProgress untouched;
    locator.LocateCdDrive(cd + "/a.mp3", "Old", EVariant::General, &untouched);
    EXPECT_EQ(untouched.hides + untouched.shows, 0);
}

TEST_F(DriveLocatorTest, SessionWithoutRecordedRootUsesThePathsOwnMountPoint)
{
    volumes.Mount("/", EType::Fixed, 0, false);
    const QString cd = volumes.AddDrive(EType::CdRom, 0xAB);
    const QString other = volumes.AddDrive(EType::CdRom, 0xCD);
    CSettings::WriteInt(CSettings::kCdrecord, "Older", 0xCD);
    EXPECT_EQ(locator.LocateCdDrive(cd + "/s/a.mp3", "Older", EVariant::General),
              other + "/s/a.mp3");
}

// A machine of files: a mount table, /dev with its by-uuid links and sysfs's block devices.
struct SFakeMachine
{
    QTemporaryDir root;
    QString Dev(const QString& name) const { return root.path() + "/dev/" + name; }
    // A partition of a disk with the kernel's removable flag, and its UUID link.
    void Disk(const QString& disk, const QString& partition, bool removable, const QString& uuid)
    {
        Touch(Dev(partition));
        QDir().mkpath(root.path() + "/sys/block/" + disk + "/" + partition);
        QFile flag(root.path() + "/sys/block/" + disk + "/removable");
        ASSERT_TRUE(flag.open(QIODevice::WriteOnly));
        flag.write(removable ? "1\n" : "0\n");
        QDir().mkpath(Dev("disk/by-uuid"));
        QFile::link(Dev(partition), Dev("disk/by-uuid/") + uuid);
    }
    // Rewrites the mount table: (mount point, partition) pairs.
    void MountTable(const QList<QPair<QString, QString>>& mounts)
    {
        QFile file(root.path() + "/mountinfo");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        int id = 30;
        for (const auto& [point, partition] : mounts) {
            QDir().mkpath(point);
            file.write(QString("%1 1 8:1 / %2 rw - vfat %3 rw\n")
                           .arg(id++)
                           .arg(point, Dev(partition))
                           .toUtf8());
        }
    }
    CSystemVolumes Volumes() const
    {
        return CSystemVolumes(root.path() + "/mountinfo", root.path() + "/dev/disk",
                              root.path() + "/sys/block");
    }
};

// A stick is removable media: recorded by its UUID, found wherever it is mounted next (and
// not where another stick now is), asked for by name when it is in no drive.
TEST_F(DriveLocatorTest, StickIsFoundByItsUuidWhereverItIsMountedAndAskedForWhenAbsent)
{
    SFakeMachine machine;
    machine.Disk("sdb", "sdb1", true, "ABCD-1234");
    machine.Disk("sdc", "sdc1", false, "0000-0001");
    machine.Disk("mmcblk0", "mmcblk0p1", true, "0000-0002");
    const QString first = machine.root.path() + "/mnt/first";
    const QString second = machine.root.path() + "/mnt/second";
    const QString data = machine.root.path() + "/mnt/data";
    machine.MountTable({{first, "sdb1"}, {data, "sdc1"}, {second, "mmcblk0p1"}});
    CSystemVolumes system = machine.Volumes();
    EXPECT_EQ(system.TypeOf(first), EType::Removable);
    EXPECT_EQ(system.TypeOf(second), EType::Removable); // an SD card's partition
    EXPECT_NE(system.TypeOf(data), EType::Removable);
    ASSERT_EQ(system.Identity(first), "UUID=ABCD-1234");
    Record("Stick", system.SerialOf(first), first);
    CSettings::WriteString(CSettings::kCDVolume, "Stick", system.Identity(first));

    // Next time the card sits where the stick was and the stick elsewhere.
    machine.MountTable({{first, "mmcblk0p1"}, {data, "sdc1"}, {second, "sdb1"}});
    CDriveLocator onMachine(system, prompts);
    const QString song = first + "/Album/a.mp3";
    EXPECT_EQ(onMachine.LocateCdDrive(song, "Stick", EVariant::General), second + "/Album/a.mp3");
    EXPECT_EQ(onMachine.LocateCdDrive(song, "Stick", EVariant::Copy), second + "/Album/a.mp3");
    EXPECT_EQ(onMachine.FindNow(song, "Stick"), second + "/Album/a.mp3");
    EXPECT_TRUE(prompts.messages.isEmpty());

    machine.MountTable({{first, "mmcblk0p1"}, {data, "sdc1"}});
    EXPECT_EQ(onMachine.FindNow(song, "Stick"), "");
    prompts.answers << CPrompts::EAnswer::Cancel;
    EXPECT_EQ(onMachine.LocateCdDrive(song, "Stick", EVariant::General), "");
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, "Insert the disc \"Stick\" in any drive.");
}

} // namespace
