#include "editing/CEditingTexts.h"
#include "editing/CFileRenamer.h"
#include "editing/CTagSaver.h"
#include "editing/EditingFixture.h"
#include "library/CSearch.h"

#include <sys/stat.h>

namespace {

using EMode = CTagSaver::EMode;

class TagSaverTest : public EditingFixture
{
protected:
    CTagSaver::SOutcome Save(const QList<qint64>& ids, const STagForm& form,
                             EMode mode = EMode::Single, bool rename = false)
    {
        return CTagSaver(doc, services).Save(ids, form, mode, rename);
    }
    QList<qint64> FoundByArtist(const QString& artist)
    {
        SSearchCriteria criteria;
        criteria.artist = artist;
        QList<qint64> ids;
        CSearch::Run(doc.Set(), criteria, SSearchOptions(), [&](const SSong& s) { ids << s.m_ID; });
        return ids;
    }
};

// The file's bytes beyond the tag and the ID3v1 text are the tag file's own test.
TEST_F(TagSaverTest, ASingleSaveWritesEveryFieldIntoTheFileTheRecordAndTheSearch)
{
    const qint64 id = AddFile("Old", "Someone");
    doc.Songs().AppendRows([&] {
        CSongListModel::CBatch rows = doc.Songs().NewBatch();
        doc.Songs().AddToBatch(rows, Record(id));
        return rows;
    }());

    // An empty title and genre: an empty TIT2, no TCON, the file name listed, genre (126).
    Save({id}, {.title = "", .artist = "Die Ärzte", .album = "Ünï", .year = "2002", .genre = ""});
    // (The other reader skips a frame without text: the bytes tell.)
    EXPECT_TRUE(FileBytes(PathOf(id)).contains(QByteArray("TIT2\0\0\0\x01\0\0\0", 11)));
    EXPECT_EQ(Frames(id, {"TPE1", "TALB", "TYER", "TCON"}),
              (QStringList{"Die Ärzte", "Ünï", "2002", "(17)"}))
        << "no TCON written";
    const SSong set = Record(id);
    EXPECT_EQ(
        (QStringList{set.m_TITLE, set.m_LIST, set.m_ARTIST, set.m_ALBUM, set.m_YEAR, set.m_GENRE}),
        (QStringList{"", "Old", "Die Ärzte", "Ünï", "2002", "(126)"}));
    EXPECT_EQ(doc.Songs().Cell(0, 0), QStringLiteral("Old")) << "the list row is refreshed";
    EXPECT_EQ(FoundByArtist("ärzte"), QList<qint64>{id}) << "the search index follows";

    Save({id}, {.title = "New", .artist = "A", .album = "B", .year = "", .genre = "Blues"});
    EXPECT_EQ(Frames(id, {"TIT2", "TCON"}), (QStringList{"New", "(0)"}));
    EXPECT_EQ(Tags(id).value("v1genre").toInt(), 0) << "ID3v1 genre refreshed";
    EXPECT_EQ((QStringList{Record(id).m_LIST, Record(id).m_GENRE}), (QStringList{"New", "(0)"}));
    EXPECT_TRUE(prompts.warnings.isEmpty());
    EXPECT_TRUE(FoundByArtist("ärzte").isEmpty());
}

TEST_F(TagSaverTest, MultisaveLeavesEmptyFieldsAloneAndNamesTheFilesItCouldNotWrite)
{
    const qint64 a = AddFile("One", "First");
    const qint64 gone = AddFile("Two", "Second");
    const qint64 c = AddFile("Three", "Third");
    const QString gonePath = PathOf(gone);
    QFile::remove(gonePath);

    const auto outcome =
        Save({a, gone, 999, c},
             {.title = "ignored", .artist = "", .album = "Best Of", .year = "", .genre = "Blues"},
             EMode::Multi);
    EXPECT_EQ(outcome.saved, 3);
    const QStringList changed = {"Best Of", "(0)", "1999"};
    for (const qint64 id : {a, c})
        EXPECT_EQ(Frames(id, {"TALB", "TCON", "TYER"}), changed);
    EXPECT_EQ(Frames(a, {"TPE1", "TIT2"}), (QStringList{"First", "One"}));
    for (const qint64 id : {a, gone, c}) {
        const SSong set = Record(id);
        EXPECT_EQ((QStringList{set.m_ALBUM, set.m_GENRE, set.m_YEAR}), changed);
    }
    EXPECT_EQ((QStringList{Record(a).m_ARTIST, Record(a).m_TITLE}), (QStringList{"First", "One"}));
    EXPECT_EQ(prompts.warnings, QStringList{CEditingTexts::ReadOnly()});
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, CEditingTexts::NotWritten({gonePath}));
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("Multisave"));
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Exclamation);
    ASSERT_EQ(Progresses().size(), 1u);
    EXPECT_EQ(Progresses().back().upper, 4);
    EXPECT_EQ(Progresses().back().hides, 1);

    cancelAfterSteps = 1;
    const auto cancelled = Save({a, c}, {.album = "Again"}, EMode::Multi);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(Record(a).m_ALBUM, QStringLiteral("Again"));
    EXPECT_EQ(Record(c).m_ALBUM, QStringLiteral("Best Of"));
}

TEST_F(TagSaverTest, ReadOnlyAndCdRomFilesStillChangeTheRecordWithTheWarning)
{
    const qint64 locked = AddFile("Locked", "A");
    const QString cd = volumes.AddDrive(SVolume::EType::CdRom);
    const qint64 onCd = AddFile("Disc", "A", cd);
    ::chmod(QFile::encodeName(PathOf(locked)).constData(), 0444);
    const QByteArray cdBytes = FileBytes(PathOf(onCd));

    prompts.warningBoxes.enqueue(0);
    Save({locked}, {.title = "Locked", .artist = "B"});
    EXPECT_EQ(Record(locked).m_ARTIST, QStringLiteral("B"));
    EXPECT_EQ(prompts.warnings, QStringList{CEditingTexts::ReadOnly()});

    EXPECT_FALSE(CTagSaver(doc, services).WriteComment(onCd, "nice").isEmpty());
    EXPECT_EQ(FileBytes(PathOf(onCd)), cdBytes);
    EXPECT_EQ(prompts.warnings.size(), 2) << "the comment cell's failure is told as well";

    prompts.warningBoxes.enqueue(1); // "Don't show me this again"
    Save({onCd}, {.title = "Disc", .artist = "C"});
    EXPECT_EQ(Record(onCd).m_ARTIST, QStringLiteral("C"));
    EXPECT_EQ(FileBytes(PathOf(onCd)), cdBytes);
    EXPECT_EQ(CSettings::Int("WarningID3", 0), 1);
    Save({locked}, {.title = "Locked", .artist = "D"});
    EXPECT_EQ(prompts.warnings.size(), 3) << "silenced";
    EXPECT_EQ(Record(locked).m_ARTIST, QStringLiteral("D"));

    const qint64 id = AddFile("Plain", "A");
    EXPECT_EQ(CTagSaver(doc, services).WriteComment(id, QStringLiteral("schön")), QString());
    EXPECT_TRUE(Comments(Tags(id)).contains(QStringLiteral("=schön")));
}

TEST_F(TagSaverTest, RenamingFollowsTheFormattingStringAndNeverReplacesOrMakesFolders)
{
    using CFileRenamer::NewName;
    EXPECT_EQ(NewName("%2 (%1)", "A", "T", "", "x.mp3"), QStringLiteral("T (A).mp3"));
    EXPECT_EQ(NewName("%2 (%1)", "", "T", "", "x.mp3"), QStringLiteral("T ().mp3"));
    EXPECT_EQ(NewName("Track 1", "A", "T", "", "x.y.mp3"), QStringLiteral("Track A.mp3"));
    EXPECT_EQ(NewName("%3-%2", "A", "T", "B", "noext"), QStringLiteral("B-T"));

    const qint64 id = AddFile("song", "Artist");
    const QString folder = Record(id).m_PATH;
    Save({id}, {.title = "Title", .artist = "Artist", .album = "", .year = "", .genre = "Rock"},
         EMode::Single, true);
    EXPECT_EQ(Record(id).m_MELODI, QStringLiteral("Artist - Title.mp3"));
    EXPECT_EQ(FrameText(ProbeTags(folder + "/Artist - Title.mp3"), "TIT2"),
              QStringLiteral("Title"));
    EXPECT_TRUE(prompts.warnings.isEmpty());

    // An existing name is never replaced; a "/" would name a folder.
    const qint64 other = AddFile("other", "X");
    const QByteArray taken = FileBytes(folder + "/Artist - Title.mp3");
    for (const QString& artist : {QStringLiteral("Artist"), QStringLiteral("AC/DC")}) {
        SCOPED_TRACE(artist.toStdString());
        prompts.warnings.clear();
        const auto outcome = Save({other}, {.title = "Title", .artist = artist, .genre = "Rock"},
                                  EMode::Single, true);
        EXPECT_EQ(Record(other).m_MELODI, QStringLiteral("other.mp3"));
        EXPECT_EQ(Record(other).m_ARTIST, artist) << "the record changes all the same";
        EXPECT_EQ(outcome.notRenamed.size(), 1);
        EXPECT_EQ(prompts.warnings, QStringList{CEditingTexts::RenameFailed()});
        EXPECT_TRUE(QFile::exists(folder + "/other.mp3"));
    }
    EXPECT_EQ(FileBytes(folder + "/Artist - Title.mp3"), taken);
    EXPECT_FALSE(QFileInfo::exists(folder + "/AC"));
}

} // namespace
