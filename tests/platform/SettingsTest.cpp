#include "platform/CSettings.h"
#include "support/CNoFileOverride.h"
#include "support/CTestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One settings file per test; every write failure the store reports is kept.
class SettingsTest : public ::testing::Test
{
protected:
    SettingsTest()
    {
        m_previous = CSettings::SetWriteFailureListener(
            [this](const QString& message) { failures << message; });
    }
    ~SettingsTest() override { CSettings::SetWriteFailureListener(m_previous); }

    QByteArray FileBytes() const
    {
        QFile file(env.SettingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QString Cause(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
    void SetMode(const QString& path, QFile::Permissions mode)
    {
        ASSERT_TRUE(QFile::setPermissions(path, mode)) << path.toStdString();
    }
    static constexpr QFile::Permissions kReadOnly = QFile::ReadOwner | QFile::ExeOwner;
    static constexpr QFile::Permissions kOpen =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

    CTestEnvironment env;
    QStringList failures;

private:
    CSettings::FailureListener m_previous;
};

// A hand-edited file: what is missing, out of range or of the wrong kind reads as the
// table's default, whatever default a caller passes, and each bad value is named once.
TEST_F(SettingsTest, MissingAndBadValuesReadAsTheDefaultWithOneWarningEach)
{
    env.WriteFile("settings.ini", "[Settings]\nMailPort=70000\nNetTimeout=abc\nRandom=-7\n"
                                  "WebSite=javascript:alert(1)\nCase=1\nIntVolume= 20 \n");
    const struct
    {
        ESetting setting;
        const char* value;
    } cases[] = {
        {ESetting::MailPort, "587"}, {ESetting::NetTimeout, "15"},
        {ESetting::Random, "50"},    {ESetting::WebSite, "https://cratewise.example"},
        {ESetting::Case, "1"},       {ESetting::IntVolume, "20"},
        {ESetting::Firsttime, "2"},  {ESetting::Recognized, "mp3 mp2 flac ogg oga opus m4a"}};
    for (const auto& c : cases)
        EXPECT_EQ(CSettings::String(c.setting), QString::fromLatin1(c.value))
            << CSettingsTable::Def(c.setting).key;
    // Read by its key, a setting still reads through the table: the caller's default is not
    // used.
    EXPECT_EQ(CSettings::GetInt(CSettings::kSettings, QStringLiteral("MailPort"), 2525), 587);

    // Found while no one listened: told to the next listener, once.
    QStringList warnings;
    const auto previous =
        CSettings::SetReadWarningListener([&](const QString& text) { warnings << text; });
    for (const auto& c : cases)
        CSettings::String(c.setting);
    CSettings::SetReadWarningListener(previous);
    ASSERT_EQ(warnings.size(), 4) << warnings.join(u'\n').toStdString();
    EXPECT_EQ(warnings[0],
              QStringLiteral("The setting \"MailPort\" in \"%1\" holds \"70000\", which is not a "
                             "whole number from 1 to 65535; Cratewise uses the default, \"587\", "
                             "instead.")
                  .arg(env.SettingsFile()));
    EXPECT_TRUE(warnings[3].contains("not an http or https address")) << warnings[3].toStdString();
}

TEST_F(SettingsTest, WritesReachTheFileAtOnce)
{
    CSettings::SetInt(ESetting::UpdateDate, 4);
    QFile file(env.SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("UpdateDate=4"));
}

TEST_F(SettingsTest, OddSessionNamesAndValuesRoundTrip)
{
    const QStringList names = {
        QStringLiteral("AC/DC"),    QStringLiteral("back\\slash"),     QStringLiteral("a=b"),
        QStringLiteral(" spaced "), QStringLiteral("Motörhead – Ace"), QStringLiteral("[bracket]"),
        QStringLiteral(";semi"),    QStringLiteral("#hash"),           QStringLiteral("100%"),
        QStringLiteral("日本語")};
    for (int i = 0; i < names.size(); ++i) {
        CSettings::WriteString(QString::fromLatin1(CSettings::kCDPath), names[i],
                               QStringLiteral("/media/cd %1\nline").arg(i));
        CSettings::WriteInt(QString::fromLatin1(CSettings::kCdrecord), names[i], i * 1000);
    }
    CSettings::SetFilePath(env.SettingsFile()); // read back from the file, not from memory
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(
            CSettings::GetString(QString::fromLatin1(CSettings::kCDPath), names[i], QString()),
            QStringLiteral("/media/cd %1\nline").arg(i))
            << names[i].toStdString();
        EXPECT_EQ(CSettings::GetInt(QString::fromLatin1(CSettings::kCdrecord), names[i], -1),
                  i * 1000);
    }
    QStringList keys = CSettings::Keys(QString::fromLatin1(CSettings::kCDPath));
    QStringList expected = names;
    keys.sort();
    expected.sort();
    EXPECT_EQ(keys, expected);
    // Sections do not leak into each other.
    EXPECT_FALSE(CSettings::Contains(QString::fromLatin1(CSettings::kSettings), names[0]));
}

TEST_F(SettingsTest, ChangesByAnotherProcessAreSeenAndKept)
{
    CSettings::SetInt(ESetting::Case, 1);
    // Another program rewrites the file behind our back.
    QFile file(env.SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Settings]\nCase=0\nTemp=1\n");
    file.close();
    EXPECT_EQ(CSettings::Int(ESetting::Temp), 1);
    // Our next write keeps what the other program wrote.
    CSettings::SetInt(ESetting::SubDir, 0);
    CSettings::SetFilePath(env.SettingsFile());
    EXPECT_EQ(CSettings::Int(ESetting::Temp), 1);
    EXPECT_EQ(CSettings::Int(ESetting::SubDir), 0);
}

// Within a read-once scope the file is looked at once; a write still sees the other
// program's values, and after the scope reads look again.
TEST_F(SettingsTest, ReadOnceScopeLooksOnceAndWritesStillKeepOthersChanges)
{
    CSettings::SetInt(ESetting::Case, 1);
    const auto rewrite = [this](const char* text) {
        QFile file(env.SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    {
        const CSettings::CReadOnce once;
        EXPECT_EQ(CSettings::Int(ESetting::Case), 1);
        rewrite("[Settings]\nCase=0\nTemp=1\n");
        EXPECT_EQ(CSettings::Int(ESetting::Case), 1) << "not looked at again";
        CSettings::SetInt(ESetting::SubDir, 0);
        EXPECT_EQ(CSettings::Int(ESetting::Temp), 1) << "the write looked";
        rewrite("[Settings]\nRandom=7\n");
    }
    EXPECT_EQ(CSettings::Int(ESetting::Random), 7);
}

TEST_F(SettingsTest, CrashMarkerIsKeptApartAndReadLikeAnyValue)
{
    CSettings::SetInt(ESetting::Case, 1);
    QFile ini(env.SettingsFile());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray before = ini.readAll();
    ini.close();

    CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/music/long name ünïcode.mp3"));
    EXPECT_EQ(CSettings::String(ESetting::ErrorFile),
              QStringLiteral("/music/long name ünïcode.mp3"));
    EXPECT_TRUE(CSettings::Keys(QString::fromLatin1(CSettings::kSettings))
                    .contains(QStringLiteral("ErrorFile")));
    CSettings::SetString(ESetting::ErrorFile,
                         QStringLiteral("/a.mp3")); // shorter: no old tail
    EXPECT_EQ(CSettings::String(ESetting::ErrorFile), QStringLiteral("/a.mp3"));
    // The options file itself is not rewritten for the marker.
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), before);
    ini.close();

    CSettings::SetString(ESetting::ErrorFile, QString());
    EXPECT_EQ(CSettings::String(ESetting::ErrorFile), QString());
    EXPECT_FALSE(CSettings::Stored(ESetting::ErrorFile));
}

// While a scan holds the marker it is stored through a mapping of its file: what was stored
// last is there for the next start even when the process is killed at once.
TEST_F(SettingsTest, AHeldMarkerOutlivesAKilledProcess)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const CSettings::CMarkerHold hold;
        CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/music/a longer name.mp3"));
        CSettings::SetString(ESetting::ErrorFile, QString());
        CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/music/b.mp3"));
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(CSettings::String(ESetting::ErrorFile), QStringLiteral("/music/b.mp3"));
    const CSettings::CMarkerHold hold;
    CSettings::SetString(ESetting::ErrorFile, QString());
    EXPECT_EQ(CSettings::String(ESetting::ErrorFile), QString());
}

TEST_F(SettingsTest, UnreadableFileIsAnErrorAndIsNeverReplaced)
{
    CSettings::WriteString(QString::fromLatin1(CSettings::kCDPath), QStringLiteral("Rock"),
                           QStringLiteral("/media/cd"));
    CSettings::SetInt(ESetting::Case, 1);
    const QByteArray before = FileBytes();
    SetMode(env.SettingsFile(), {}); // as after one run under sudo: another owner's 0600
    {
        const CNoFileOverride asAUser;
        CSettings::SetFilePath(env.SettingsFile()); // a new start
        EXPECT_EQ(CSettings::ReadError(), QStringLiteral("The settings file \"%1\" cannot be "
                                                         "read: %2.")
                                              .arg(env.SettingsFile(), Cause(EACCES)));
        EXPECT_FALSE(CSettings::SetInt(ESetting::Case, 0));
        EXPECT_FALSE(CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/a.mp3")));
    }
    SetMode(env.SettingsFile(), kOpen);
    EXPECT_EQ(failures.size(), 2);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_FALSE(QFile::exists(env.SettingsFile() + QStringLiteral(".ErrorFile")));
    // Once readable, its values are back without a restart.
    EXPECT_EQ(CSettings::ReadError(), QString());
    EXPECT_EQ(CSettings::GetString(QString::fromLatin1(CSettings::kCDPath), QStringLiteral("Rock"),
                                   QString()),
              QStringLiteral("/media/cd"));
}

// A FIFO would block every start, a link to a device or a huge file would be read without
// end: each is refused at once, by name, and nothing is written over it.
TEST_F(SettingsTest, FileThatIsNotARegularFileOrTooLargeIsRefusedAtOnce)
{
    const QString file = env.SettingsFile();
    const struct
    {
        const char* name;
        std::function<bool()> make;
        QString cause;
    } cases[] = {
        {"fifo", [&] { return ::mkfifo(QFile::encodeName(file).constData(), 0600) == 0; },
         QStringLiteral("it is not a regular file")},
        {"link to /dev/zero", [&] { return QFile::link(QStringLiteral("/dev/zero"), file); },
         QStringLiteral("it is not a regular file")},
        {"too large",
         [&] {
             QFile big(file);
             return big.open(QIODevice::WriteOnly) && big.resize(CSettings::kMaxFileBytes + 1);
         },
         QStringLiteral("it is larger than 16 MiB")},
    };
    for (const auto& c : cases) {
        QFile::remove(file);
        ASSERT_TRUE(c.make()) << c.name;
        CSettings::SetFilePath(file); // a new start
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(CSettings::ReadError(),
                  QStringLiteral("The settings file \"%1\" cannot be read: %2.").arg(file, c.cause))
            << c.name;
        EXPECT_EQ(CSettings::Int(ESetting::SubDir), 1) << c.name;
        EXPECT_FALSE(CSettings::SetInt(ESetting::Case, 1)) << c.name;
        EXPECT_LT(timer.elapsed(), 2000) << c.name;
    }
    EXPECT_EQ(QFileInfo(file).size(), CSettings::kMaxFileBytes + 1) << "not replaced";
}

TEST_F(SettingsTest, WritesThatDoNotReachTheFileAreReported)
{
    CSettings::SetInt(ESetting::Case, 1);
    const QByteArray before = FileBytes();
    // A full disk: the new file's bytes go to /dev/full.
    ASSERT_TRUE(
        QFile::link(QStringLiteral("/dev/full"), env.SettingsFile() + QStringLiteral(".tmp")));
    EXPECT_FALSE(CSettings::SetInt(ESetting::Random, 2));
    EXPECT_EQ(CSettings::LastWriteError(), QStringLiteral("The settings could not be saved to "
                                                          "\"%1\": %2.")
                                               .arg(env.SettingsFile(), Cause(ENOSPC)));
    {
        const CNoFileOverride asAUser;
        SetMode(env.SettingsFile(), QFile::ReadOwner);
        EXPECT_FALSE(CSettings::SetInt(ESetting::Random, 3));
        SetMode(env.SettingsFile(), QFile::ReadOwner | QFile::WriteOwner);
        SetMode(env.Root(), kReadOnly);
        EXPECT_FALSE(CSettings::SetInt(ESetting::Random, 4));
    }
    SetMode(env.Root(), kOpen);
    ASSERT_EQ(failures.size(), 3);
    EXPECT_TRUE(failures[1].contains(Cause(EACCES))) << failures[1].toStdString();
    EXPECT_EQ(failures[2], failures[1]);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(SettingsTest, CrashMarkerThatCannotBeWrittenIsReported)
{
    const QString marker = env.SettingsFile() + QStringLiteral(".ErrorFile");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), marker));
    EXPECT_FALSE(CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/music/a.mp3")));
    ASSERT_TRUE(QFile::remove(marker));
    {
        const CNoFileOverride asAUser;
        SetMode(env.Root(), kReadOnly);
        EXPECT_FALSE(CSettings::SetString(ESetting::ErrorFile, QStringLiteral("/music/b.mp3")));
    }
    SetMode(env.Root(), kOpen);
    const QString text = QStringLiteral("The crash marker could not be saved to \"%1\": %2.");
    // A link is never written through, whatever it points to.
    const QString refused = QStringLiteral("The crash marker \"%1\" is not a regular file of your "
                                           "own, so it was not written; the scan goes on "
                                           "without it.");
    EXPECT_EQ(failures, QStringList({refused.arg(marker), text.arg(marker, Cause(EACCES))}));
}

} // namespace
