#include "editing/CEditingTexts.h"
#include "editing/CLyrics.h"
#include "editing/EditingFixture.h"
#include "support/CId3Writer.h"

#include <QUrlQuery>

namespace {

class LyricsTest : public EditingFixture
{};

TEST_F(LyricsTest, LyricsShowAsStoredAndSaveIntoTheFileAndTheRecord)
{
    const qint64 id = AddFile("Song", "A");
    SSongChanges old;
    old.Set(ESongColumn::LYRICS, QStringLiteral("one\ntwo\r\nthree\n"));
    doc.Set().Update(id, old);

    QString shown;
    EXPECT_FALSE(CLyrics::Load(doc, services, -1, shown));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("You have to select a song!"));
    EXPECT_EQ(prompts.messages[0].icon, CPrompts::EIcon::Error);
    ASSERT_TRUE(CLyrics::Load(doc, services, id, shown));
    EXPECT_EQ(shown, QStringLiteral("one\ntwo\r\nthree\n")) << "line ends as they are";

    bool stored = false;
    const QString lyrics = QStringLiteral("Grüße\r\nПесня");
    EXPECT_EQ(CLyrics::Save(doc, services, id, lyrics, stored), QString());
    EXPECT_TRUE(stored);
    EXPECT_EQ(FrameText(Tags(id), "USLT"), lyrics);
    EXPECT_EQ(Record(id).m_LYRICS, lyrics);

    // A NUL inside is a character like any other.
    const QString withNul = QStringLiteral("one\ntwo") + QChar(0) + QStringLiteral("three");
    EXPECT_EQ(CLyrics::Save(doc, services, id, withNul, stored), QString());
    EXPECT_EQ(Record(id).m_LYRICS, withNul);
    EXPECT_EQ(CId3Writer::TextOf(CId3Writer::FrameOf(FileBytes(PathOf(id)), "USLT")), withNul);

    // A file that cannot take them: neither does the record, and the reason is said.
    const QString path = PathOf(id);
    QFile::remove(path);
    EXPECT_FALSE(CLyrics::Save(doc, services, id, QStringLiteral("x"), stored).isEmpty());
    EXPECT_FALSE(stored);
    EXPECT_EQ(Record(id).m_LYRICS, withNul);
    EXPECT_TRUE(prompts.warnings.isEmpty()) << "a missing file is no read-only medium";
    EXPECT_EQ(prompts.messages.last().text,
              CEditingTexts::NotWrittenBecause(path, "No such file or directory"));
}

TEST_F(LyricsTest, TranslationSendsAnEncodedRequestOfAtMost1900Characters)
{
    QList<QUrl> opened;
    bool opens = true;
    services.openUrl = [&](const QUrl& url) {
        opened << url;
        return opens;
    };
    CSettings::SetString(ESetting::TranslateServer, "https://tr.example.org/");
    CLyrics::Translate(services, QStringLiteral("a b&c#d+e\r\nü"), 8);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toEncoded(),
              QByteArray("https://tr.example.org/translate.dyn?sourceid=00000000000000000000"
                         "&doit=done&urltext=a+b%26c%23d%2Be%0D%0A%C3%BC&lp=es_en&x=37&y=10"));
    EXPECT_TRUE(prompts.warnings.isEmpty());

    CLyrics::Translate(services, QString(1900, u'x'), 42);
    EXPECT_TRUE(prompts.warnings.isEmpty()) << "exactly 1900 characters";
    EXPECT_TRUE(opened.last().query().endsWith("&lp=en_fr&x=37&y=10"));
    CLyrics::Translate(services, QString(1900, u'x') + u'y', 0);
    EXPECT_EQ(prompts.warnings, QStringList{CEditingTexts::TooLongToTranslate()});
    const QString sent = QUrlQuery(opened.last()).queryItemValue("urltext");
    EXPECT_EQ(sent, QString(1900, u'x'));

    opens = false;
    CLyrics::Translate(services, QStringLiteral("x"), 0);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("An error occured during translation."));
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("Error"));
}

} // namespace
