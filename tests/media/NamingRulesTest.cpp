#include "media/CNamingRules.h"
#include "platform/CSettings.h"
#include "support/CTestEnvironment.h"

#include <gtest/gtest.h>

using namespace CNamingRules;

namespace {

struct SSplit
{
    bool ok;
    QString artist, title, album;
};

SSplit Split(const QString& name, const QString& pattern)
{
    SSplit s;
    s.ok = ApplyFormatting(name, pattern, s.artist, s.title, s.album);
    return s;
}

TEST(RecognizedTypeTest, ComparesWholeLowerCaseWords)
{
    EXPECT_TRUE(IsRecognizedType(QStringLiteral("mp3"), QStringLiteral("mp3 mp2")));
    EXPECT_TRUE(IsRecognizedType(QStringLiteral("mp2"), QStringLiteral("MP3 MP2")));
    EXPECT_FALSE(IsRecognizedType(QStringLiteral("mp"), QStringLiteral("mp3 mp2")));
    EXPECT_FALSE(IsRecognizedType(QStringLiteral("ogg"), QStringLiteral("mp3 mp2")));
    EXPECT_EQ(ExtensionOf(QStringLiteral("File_Name.MP3")), QStringLiteral("mp3"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("a.b.Mp2")), QStringLiteral("mp2"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("README")), QStringLiteral("readme"));
    EXPECT_TRUE(
        IsRecognizedType(ExtensionOf(QStringLiteral("File_Name.MP3")), QStringLiteral("mp3 mp2")));
}

TEST(RecognizedTypeTest, EmptyWordsMatchNothing)
{
    EXPECT_FALSE(IsRecognizedType(QStringLiteral("mp3"), QString()));
    EXPECT_FALSE(IsRecognizedType(QString(), QString()));
    EXPECT_FALSE(IsRecognizedType(QString(), QStringLiteral("mp3  mp2 ")));
    EXPECT_TRUE(IsRecognizedType(QStringLiteral("mp2"), QStringLiteral("mp3  mp2 ")));
    EXPECT_FALSE(IsRecognizedType(ExtensionOf(QStringLiteral("song.")), QStringLiteral("mp3 ")));
}

TEST(RecognizedTypeTest, ReadsTheSettingWithItsDefault)
{
    CTestEnvironment env;
    EXPECT_TRUE(IsRecognizedType(QStringLiteral("mp2")));
    EXPECT_FALSE(IsRecognizedType(QStringLiteral("wav")));
    CSettings::SetString(ESetting::Recognized, QStringLiteral("wav"));
    EXPECT_TRUE(IsRecognizedType(QStringLiteral("wav")));
    EXPECT_FALSE(IsRecognizedType(QStringLiteral("mp3")));
}

TEST(FormattingTest, ArtistDashTitle)
{
    const SSplit s = Split(QStringLiteral("Abba - Waterloo.mp3"), QStringLiteral("%1 - %2"));
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.artist, QStringLiteral("Abba"));
    EXPECT_EQ(s.title, QStringLiteral("Waterloo"));
    EXPECT_TRUE(s.album.isEmpty());
}

// The list and the last part of a name drop ".flac" and ".opus" whole, and four characters
// of anything else, as catalogues were built.
TEST(FormattingTest, LongerTypesLoseTheirWholeExtension)
{
    struct SCase
    {
        const char* name;
        const char* list;
        const char* title;
    };
    for (const SCase& c : {SCase{"Abba - Waterloo.flac", "Abba - Waterloo", "Waterloo"},
                           SCase{"Abba - Waterloo.opus", "Abba - Waterloo", "Waterloo"},
                           SCase{"Abba - Waterloo.m4a", "Abba - Waterloo", "Waterloo"},
                           SCase{"Abba - Waterloo.wave", "Abba - Waterloo.", "Waterloo."},
                           SCase{"flac", "", nullptr}}) {
        EXPECT_EQ(CNamingRules::ListName(QString::fromUtf8(c.name)), QString::fromUtf8(c.list));
        if (c.title) {
            EXPECT_EQ(Split(QString::fromUtf8(c.name), QStringLiteral("%1 - %2")).title,
                      QString::fromUtf8(c.title));
        }
    }
}

TEST(FormattingTest, FailsWhenAPartHoldsTheDelimiterOrIsEmpty)
{
    const SSplit live =
        Split(QStringLiteral("Abba - Waterloo - Live.mp3"), QStringLiteral("%1 - %2"));
    EXPECT_FALSE(live.ok);
    EXPECT_EQ(live.artist, QStringLiteral("Abba")); // written before the failure
    EXPECT_FALSE(Split(QStringLiteral("Waterloo.mp3"), QStringLiteral("%1 - %2")).ok);
    EXPECT_FALSE(Split(QStringLiteral(" - Waterloo.mp3"), QStringLiteral("%1 - %2")).ok);
    EXPECT_FALSE(Split(QStringLiteral("Abba - .mp3"), QStringLiteral("%1 - %2")).ok);
    EXPECT_FALSE(Split(QString(), QStringLiteral("%1 - %2")).ok);
}

TEST(FormattingTest, PlaceholderAtTheEndTakesTheNameWithoutExtension)
{
    const SSplit s = Split(QStringLiteral("Waterloo - Abba.mp3"), QStringLiteral("%2 - %1"));
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.title, QStringLiteral("Waterloo"));
    EXPECT_EQ(s.artist, QStringLiteral("Abba"));
    // A name of four characters or fewer leaves nothing for the last part.
    EXPECT_FALSE(Split(QStringLiteral("x.mp"), QStringLiteral("%2")).ok);
    const SSplit whole = Split(QStringLiteral("Song.mp3"), QStringLiteral("%2"));
    EXPECT_TRUE(whole.ok);
    EXPECT_EQ(whole.title, QStringLiteral("Song"));
}

TEST(FormattingTest, BlanksOnlyBetweenPlaceholdersNeverMatch)
{
    EXPECT_FALSE(Split(QStringLiteral("Abba Waterloo.mp3"), QStringLiteral("%1 %2")).ok);
    // The percent sign became the delimiter.
    const SSplit s = Split(QStringLiteral("Abba%Waterloo.mp3"), QStringLiteral("%1 %2"));
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.artist, QStringLiteral("Abba"));
    EXPECT_EQ(s.title, QStringLiteral("Waterloo"));
    EXPECT_FALSE(Split(QStringLiteral("Abba - Waterloo.mp3"), QStringLiteral("%1   ")).ok);
}

TEST(FormattingTest, LiteralTextAroundAPlaceholderIsStripped)
{
    const SSplit s = Split(QStringLiteral("Abba - (Waterloo).mp3"), QStringLiteral("%1 - (%2)"));
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.artist, QStringLiteral("Abba"));
    EXPECT_EQ(s.title, QStringLiteral("Waterloo"));
    // Text glued to a placeholder is its suffix: "%1-%2" has one placeholder word.
    const SSplit glued = Split(QStringLiteral("Abba-Waterloo.mp3"), QStringLiteral("%1-%2"));
    EXPECT_TRUE(glued.ok);
    EXPECT_EQ(glued.artist, QStringLiteral("Abba-Waterloo"));
    EXPECT_TRUE(glued.title.isEmpty());
}

TEST(FormattingTest, ThreePartsWithAlbum)
{
    const SSplit s =
        Split(QStringLiteral("Abba - Arrival _ Dancing Queen.mp3"), QStringLiteral("%1 - %3 _ %2"));
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.artist, QStringLiteral("Abba"));
    EXPECT_EQ(s.album, QStringLiteral("Arrival"));
    EXPECT_EQ(s.title, QStringLiteral("Dancing Queen"));
}

TEST(FormattingTest, AlbumKeepsItsSuffixWhenBlanksHideIt)
{
    // The album is not trimmed before its suffix is compared, unlike artist and title.
    const SSplit s = Split(QStringLiteral("Arrival] - Abba.mp3"), QStringLiteral("%3] - %1"));
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.album, QStringLiteral("Arrival]"));
    const SSplit glued = Split(QStringLiteral("Arrival]- Abba.mp3"), QStringLiteral("%3] - %1"));
    EXPECT_TRUE(glued.ok);
    EXPECT_EQ(glued.album, QStringLiteral("Arrival"));
    const SSplit artist = Split(QStringLiteral("Abba] - Arrival.mp3"), QStringLiteral("%1] - %3"));
    EXPECT_EQ(artist.artist, QStringLiteral("Abba"));
}

TEST(FormattingTest, ReadsThePatternSetting)
{
    CTestEnvironment env;
    QString artist, title, album;
    EXPECT_TRUE(ApplyFormatting(QStringLiteral("A - B.mp3"), artist, title, album));
    EXPECT_EQ(artist, QStringLiteral("A"));
    CSettings::SetString(ESetting::Formatting, QStringLiteral("%2 - %1"));
    EXPECT_TRUE(ApplyFormatting(QStringLiteral("A - B.mp3"), artist, title, album));
    EXPECT_EQ(artist, QStringLiteral("B"));
}

TEST(TrackNumberTest, RemovesNumbersBracketsAndPunctuation)
{
    const QStringList none;
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("01 - Intro"), none), QStringLiteral("Intro"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("(03) Song"), none), QStringLiteral("Song"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("[12]. Song"), none), QStringLiteral("Song"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("  7, 8 Song"), none), QStringLiteral("Song"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("Song 01"), none), QStringLiteral("Song 01"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("(Live) Song"), none), QStringLiteral("Live Song"));
    // Only the first closing bracket goes, and none when another opening comes first.
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("((a) b)"), none), QStringLiteral("a b)"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("(a (b) c)"), none), QStringLiteral("a (b) c)"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("\u0663 Arabic"), none), QStringLiteral("Arabic"));
}

TEST(TrackNumberTest, KeepsTheTextWhenNothingWouldRemain)
{
    const QStringList none;
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("1999"), none), QStringLiteral("1999"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral(" (01) "), none), QStringLiteral(" (01) "));
    EXPECT_EQ(RemoveTrackNumber(QString(), none), QString());
}

TEST(TrackNumberTest, ListedNamesKeepTheirDigits)
{
    const QStringList names{QStringLiteral("2 unlimited"), QStringLiteral("10cc")};
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("2 Unlimited - No Limit"), names),
              QStringLiteral("2 Unlimited - No Limit"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("03 - 10CC - Donna"), names),
              QStringLiteral("10CC - Donna"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("(2 unlimited)"), names),
              QStringLiteral("2 unlimited"));
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("2 Un"), names), QStringLiteral("Un"));
    // An empty name matches every text: only leading brackets are removed.
    const QStringList empty{QString()};
    EXPECT_EQ(RemoveTrackNumber(QStringLiteral("(01) Song"), empty), QStringLiteral("01 Song"));
}

TEST(FolderNameTest, TakesTheLastComponent)
{
    EXPECT_EQ(FolderName(QStringLiteral("/music/Abba")), QStringLiteral("Abba"));
    EXPECT_EQ(FolderName(QStringLiteral("Abba")), QStringLiteral("Abba"));
    EXPECT_EQ(FolderName(QStringLiteral("/")), QString());
}

} // namespace
