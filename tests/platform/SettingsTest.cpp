#include "platform/CSettings.h"
#include "support/CTestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(SettingsTest, MissingValuesReadAsTheCallersDefault)
{
    CTestEnvironment env;
    EXPECT_EQ(CSettings::Int(QStringLiteral("Firsttime"), 2), 2);
    EXPECT_EQ(CSettings::String(QStringLiteral("Formatting"), QStringLiteral("%1 - %2")),
              QStringLiteral("%1 - %2"));
    CSettings::SetString(QStringLiteral("Random"), QStringLiteral("not a number"));
    EXPECT_EQ(CSettings::Int(QStringLiteral("Random"), 50), 50);
    CSettings::SetInt(QStringLiteral("Random"), -7);
    EXPECT_EQ(CSettings::Int(QStringLiteral("Random"), 50), -7);
}

TEST(SettingsTest, WritesReachTheFileAtOnce)
{
    CTestEnvironment env;
    CSettings::SetInt(QStringLiteral("UpdateDate"), 4);
    QFile file(env.SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("UpdateDate=4"));
}

TEST(SettingsTest, OddSessionNamesAndValuesRoundTrip)
{
    CTestEnvironment env;
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

TEST(SettingsTest, ChangesByAnotherProcessAreSeenAndKept)
{
    CTestEnvironment env;
    CSettings::SetInt(QStringLiteral("Case"), 1);
    // Another program rewrites the file behind our back.
    QFile file(env.SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[Settings]\nCase=0\nTemp=1\n");
    file.close();
    EXPECT_EQ(CSettings::Int(QStringLiteral("Temp"), 0), 1);
    // Our next write keeps what the other program wrote.
    CSettings::SetInt(QStringLiteral("SubDir"), 0);
    CSettings::SetFilePath(env.SettingsFile());
    EXPECT_EQ(CSettings::Int(QStringLiteral("Temp"), 0), 1);
    EXPECT_EQ(CSettings::Int(QStringLiteral("SubDir"), 1), 0);
}

} // namespace

namespace {

TEST(SettingsTest, CrashMarkerIsKeptApartAndReadLikeAnyValue)
{
    CTestEnvironment env;
    CSettings::SetInt(QStringLiteral("Case"), 1);
    QFile ini(env.SettingsFile());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray before = ini.readAll();
    ini.close();

    CSettings::SetString(QStringLiteral("ErrorFile"),
                         QStringLiteral("/music/long name ünïcode.mp3"));
    EXPECT_EQ(CSettings::String(QStringLiteral("ErrorFile")),
              QStringLiteral("/music/long name ünïcode.mp3"));
    EXPECT_TRUE(CSettings::Keys(QString::fromLatin1(CSettings::kSettings))
                    .contains(QStringLiteral("ErrorFile")));
    CSettings::SetString(QStringLiteral("ErrorFile"),
                         QStringLiteral("/a.mp3")); // shorter: no old tail
    EXPECT_EQ(CSettings::String(QStringLiteral("ErrorFile")), QStringLiteral("/a.mp3"));
    // The options file itself is not rewritten for the marker.
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), before);
    ini.close();

    CSettings::SetString(QStringLiteral("ErrorFile"), QString());
    EXPECT_EQ(CSettings::String(QStringLiteral("ErrorFile"), QStringLiteral("x")), QString());
    EXPECT_FALSE(CSettings::Contains(QString::fromLatin1(CSettings::kSettings),
                                     QStringLiteral("ErrorFile")));
}

} // namespace
