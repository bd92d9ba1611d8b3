// Songs as users have them, made by the real encoders, edited by the program and judged by
// other tools: mutagen reads the tags, ffmpeg decodes the samples.
#include "media/CTagFile.h"
#include "media/CTaggedFile.h"
#include "support/CRealFiles.h"
#include "support/CTestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using CRealFiles::ELayout;

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<CRealFiles::SRecipe> EveryKind()
{
    QList<CRealFiles::SRecipe> recipes;
    for (const EAudioFormat format :
         {EAudioFormat::Mpeg, EAudioFormat::Flac, EAudioFormat::OggVorbis, EAudioFormat::Opus})
        recipes.append({.format = format});
    for (const ELayout layout : {ELayout::Plain, ELayout::MovieFirst, ELayout::Fragmented,
                                 ELayout::BothSides, ELayout::Wide, ELayout::Padded})
        recipes.append({.format = EAudioFormat::Mp4, .layout = layout});
    return recipes;
}

// Runs a short Python script on a file (byte surgery no encoder does on its own).
bool Reshape(const QString& path, const char* script)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"), QLatin1String(script), path});
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

// An edit of every format and layout reaches the file, changes only the fields it sets,
// leaves the samples as they were, and its undo gives back the very bytes.
TEST(RealFilesTest, EditsKeepTheAudioAndReadBackInEveryFormatAndLayout)
{
    CTestEnvironment env;
    STagChanges changes;
    changes.title = QStringLiteral("A longer title than the encoder wrote, Ünïcödé ") +
                    QString(3000, u'x'); // past any padding
    changes.track = QStringLiteral("7");
    changes.genre = QString(); // cleared
    int n = 0;
    for (const CRealFiles::SRecipe& recipe : EveryKind()) {
        SCOPED_TRACE(CRealFiles::Describe(recipe).toStdString());
        const QString path = env.Root() + QStringLiteral("/song%1.").arg(++n) +
                             (recipe.format == EAudioFormat::Mp4 ? "m4a" : "x");
        ASSERT_TRUE(CRealFiles::Make(path, recipe));
        const QByteArray original = Bytes(path);
        qint64 decoded = 0;
        const QByteArray samples = CRealFiles::Samples(path, &decoded);
        ASSERT_FALSE(samples.isEmpty());

        STagBefore before;
        ASSERT_EQ(CTaggedFile::Write(path, changes, &before), QString());
        const QMap<QString, QString> tags = CRealFiles::Tags(path);
        EXPECT_EQ(tags.value("title"), *changes.title);
        EXPECT_EQ(tags.value("tracknumber").section(u'/', 0, 0), QStringLiteral("7"));
        EXPECT_EQ(tags.value("album"), recipe.album) << "a field not edited stays";
        EXPECT_EQ(tags.value("artist"), recipe.artist);
        EXPECT_FALSE(tags.contains("genre")) << "cleared";
        qint64 after = 0;
        EXPECT_EQ(CRealFiles::Samples(path, &after), samples) << "the same samples";
        EXPECT_EQ(after, decoded);

        ASSERT_EQ(CTaggedFile::Restore(path, before), QString());
        EXPECT_TRUE(Bytes(path) == original) << "undone byte for byte";
    }
}

// An edit that makes an M4A's tag smaller moves every offset back: the audio still decodes
// to the same samples, in every layout.
TEST(RealFilesTest, AShorterM4aTagKeepsTheAudio)
{
    CTestEnvironment env;
    CTagFile::SChanges changes;
    changes.title = QStringLiteral("T");
    changes.album = QString(); // emptied
    for (const CRealFiles::SRecipe& recipe : EveryKind()) {
        if (recipe.format != EAudioFormat::Mp4)
            continue;
        SCOPED_TRACE(CRealFiles::Describe(recipe).toStdString());
        const QString path = env.Root() + "/short.m4a";
        CRealFiles::SRecipe longer = recipe;
        longer.title = QString(2000, u't');
        longer.album = QString(2000, u'a');
        ASSERT_TRUE(CRealFiles::Make(path, longer));
        const QByteArray samples = CRealFiles::Samples(path);
        ASSERT_FALSE(samples.isEmpty());
        ASSERT_EQ(CTaggedFile::Write(path, changes), QString());
        EXPECT_EQ(CRealFiles::Tags(path).value("title"), QStringLiteral("T"));
        EXPECT_EQ(CRealFiles::Samples(path), samples);
    }
}

// Vorbis comment names are case-insensitive: "title=" and "Artist=" are read as "TITLE=" is,
// and an edit replaces them instead of adding a second entry beside them.
TEST(RealFilesTest, VorbisCommentNamesOfAnyCaseAreReadAndEdited)
{
    CTestEnvironment env;
    const char* const kMixedCase = R"(
import sys, mutagen
f = mutagen.File(sys.argv[1]); f.tags.clear()
f.tags.extend([('title', 'Low'), ('Artist', 'Mixed'), ('album', 'Disc')]); f.save()
)";
    for (const EAudioFormat format :
         {EAudioFormat::Flac, EAudioFormat::OggVorbis, EAudioFormat::Opus}) {
        const QString path = env.Root() + QStringLiteral("/case%1.x").arg(int(format));
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(CRealFiles::Make(path, {.format = format}));
        ASSERT_TRUE(Reshape(path, kMixedCase));
        STagFields fields;
        ASSERT_TRUE(CTaggedFile::Read(path, fields));
        EXPECT_EQ(QStringList({fields.title, fields.artist, fields.album}),
                  QStringList({"Low", "Mixed", "Disc"}));
        CTagFile::SChanges changes;
        changes.title = QStringLiteral("New");
        changes.artist = QString();
        ASSERT_EQ(CTaggedFile::Write(path, changes), QString());
        QProcess dump;
        dump.start("/usr/bin/python3",
                   {"-c",
                    "import sys, mutagen; print(sorted(k.upper() + '=' + v for k, v in "
                    "mutagen.File(sys.argv[1]).tags))",
                    path});
        ASSERT_TRUE(dump.waitForFinished(30000));
        EXPECT_EQ(dump.readAllStandardOutput().trimmed(), "['ALBUM=Disc', 'TITLE=New']");
    }
}

// Tags some writers lay out in ways the tag library alone does not read.
TEST(RealFilesTest, TagsOfUnusualLayoutsAreRead)
{
    CTestEnvironment env;
    // A second comment block that holds the tags behind an empty first one.
    const char* const kTwoComments = R"(
import sys, struct
p = sys.argv[1]; b = open(p, 'rb').read()
info = 4 + 4 + 34
empty = bytes([4]) + struct.pack('>I', 8 + 4)[1:] + struct.pack('<I', 4) + b'none' + struct.pack('<I', 0)
open(p, 'wb').write(b[:info] + empty + b[info:])
)";
    // The artist's item with `mean` and `name` before its data, the album's with a 64-bit
    // size, and a broken picture item beside them (the movie is the file's last atom).
    const char* const kOddItems = R"(
import sys, struct
p = sys.argv[1]; b = bytearray(open(p, 'rb').read())
def find(name, start, end):
    at = start
    while at + 8 <= end:
        s = struct.unpack('>I', b[at:at+4])[0]
        if b[at+4:at+8] == name: return at, s
        at += s
    raise SystemExit('no ' + name.decode())
moov = find(b'moov', 0, len(b)); udta = find(b'udta', moov[0] + 8, sum(moov))
meta = find(b'meta', udta[0] + 8, sum(udta)); ilst = find(b'ilst', meta[0] + 12, sum(meta))
items = b''; at = ilst[0] + 8
while at < sum(ilst):
    s = struct.unpack('>I', b[at:at+4])[0]; key = bytes(b[at+4:at+8]); body = bytes(b[at+8:at+s])
    if key == b'\xa9ART':
        mean = struct.pack('>I', 28) + b'mean' + bytes(4) + b'com.apple.iTunes'
        name = struct.pack('>I', 16) + b'name' + bytes(4) + b'ARTI'
        body = mean + name + body
    if key == b'\xa9alb':
        items += struct.pack('>I', 1) + key + struct.pack('>Q', len(body) + 16) + body
    else:
        items += struct.pack('>I', len(body) + 8) + key + body
    at += s
items += struct.pack('>I', 24) + b'covr' + struct.pack('>I', 999) + b'data' + bytes(8)
grow = len(items) + 8 - ilst[1]
for start, size in (moov, udta, meta):
    b[start:start+4] = struct.pack('>I', size + grow)
b[ilst[0]:sum(ilst)] = struct.pack('>I', len(items) + 8) + b'ilst' + items
open(p, 'wb').write(b)
)";
    const struct
    {
        EAudioFormat format;
        const char* script;
    } cases[] = {{EAudioFormat::Flac, kTwoComments}, {EAudioFormat::Mp4, kOddItems}};
    for (const auto& c : cases) {
        const QString path =
            env.Root() + "/odd." + (c.format == EAudioFormat::Mp4 ? "m4a" : "flac");
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(CRealFiles::Make(path, {.format = c.format, .artist = "Someone Real"}));
        ASSERT_TRUE(Reshape(path, c.script));
        STagFields fields;
        EXPECT_TRUE(CTaggedFile::ReadAs(path, c.format, &fields, nullptr));
        EXPECT_EQ(fields.artist, QStringLiteral("Someone Real"));
        EXPECT_EQ(fields.album, QStringLiteral("Album"));
        EXPECT_EQ(fields.title, QStringLiteral("Title"));
        EXPECT_EQ(fields.track, QStringLiteral("3"));
    }
}

} // namespace
