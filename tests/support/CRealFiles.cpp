#include "support/CRealFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QByteArray RunTool(const QString& program, const QStringList& args, bool* ok = nullptr)
{
    QProcess p;
    p.start(program, args);
    const bool done =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
    if (ok)
        *ok = done;
    return p.readAllStandardOutput();
}

// Lays an M4A file's atoms out anew: chunk offsets follow the media data wherever it goes.
const char* const kRelayout = R"(
import struct, sys
src, dst, mode = sys.argv[1:4]
b = open(src, 'rb').read()
def atoms(buf, start, end):
    at = start
    while at + 8 <= end:
        s, = struct.unpack('>I', buf[at:at+4]); n = buf[at+4:at+8]
        yield at, s, n
        at += s
top = list(atoms(b, 0, len(b)))
ftyp = [b[a:a+s] for a, s, n in top if n == b'ftyp'][0]
ma, ms, _ = [t for t in top if t[2] == b'mdat'][0]
payload = b[ma+8:ma+ms]
moov = [t for t in top if t[2] == b'moov'][0]
CONT = {b'moov', b'trak', b'mdia', b'minf', b'stbl'}
# One chunk a sample, so that the chunks can lie on both sides of the movie.
z = b.index(b'stsz', moov[0])
sizes = [struct.unpack('>I', b[z+16+4*i:z+20+4*i])[0]
         for i in range(struct.unpack('>I', b[z+12:z+16])[0])]
c = b.index(b'stco', moov[0])
start = struct.unpack('>I', b[c+8:c+12])[0] == 1 and struct.unpack('>I', b[c+12:c+16])[0] - (ma + 8)
assert start is not False, 'one chunk expected'
samples = [start + sum(sizes[:i]) for i in range(len(sizes))]
def rebuild(a, s, n, fix):
    if n in CONT:
        body = b''.join(rebuild(ca, cs, cn, fix) for ca, cs, cn in atoms(b, a+8, a+s))
        return struct.pack('>I', len(body) + 8) + n + body
    if n == b'stsc':
        return struct.pack('>I', 28) + b'stsc' + struct.pack('>IIIII', 0, 1, 1, 1, 1)
    if n == b'stco':
        return fix(samples, struct.pack('>II', 0, len(samples)))
    return b[a:a+s]
def table(offs, head, wide):
    body = head + b''.join(struct.pack('>Q' if wide else '>I', o) for o in offs)
    return struct.pack('>I', len(body) + 8) + (b'co64' if wide else b'stco') + body
def movie(place):
    return rebuild(moov[0], moov[1], b'moov', place)
mdat = struct.pack('>I', len(payload) + 8) + b'mdat' + payload
if mode == 'both':
    size = len(movie(lambda o, h: table(o, h, False)))
    first = len(ftyp) + 8
    second = len(ftyp) + len(mdat) + size + 8
    half = lambda o: [x + (first if i < len(o) // 2 else second) for i, x in enumerate(o)]
    out = ftyp + mdat + movie(lambda o, h: table(half(o), h, False)) + mdat
else:
    wide = mode == 'wide'
    pad = struct.pack('>I', 2048) + b'free' + bytes(2040) if mode == 'padded' else b''
    size = len(movie(lambda o, h: table(o, h, wide)))
    base = len(ftyp) + size + len(pad) + 8
    out = ftyp + movie(lambda o, h: table([x + base for x in o], h, wide)) + pad + mdat
open(dst, 'wb').write(out)
)";

const char* const kReadTags = R"(
import json, sys, mutagen
f = mutagen.File(sys.argv[1], easy=True)
print(json.dumps({k: str(v[0]) for k, v in (f.tags or {}).items() if v}))
)";

QStringList M4aArgs(const CRealFiles::SRecipe& recipe)
{
    switch (recipe.layout) {
    case CRealFiles::ELayout::Fragmented:
        return {"-movflags", "frag_keyframe+empty_moov", "-frag_duration", "500000"};
    case CRealFiles::ELayout::Plain:
    case CRealFiles::ELayout::BothSides:
    case CRealFiles::ELayout::Wide:
    case CRealFiles::ELayout::Padded:
        return {};
    case CRealFiles::ELayout::MovieFirst:
        return {"-movflags", "faststart"};
    }
    return {};
}

bool Encode(const QString& wav, const QString& path, const CRealFiles::SRecipe& s)
{
    bool ok = false;
    switch (s.format) {
    case EAudioFormat::Flac:
        RunTool("flac",
                {"-s", "-f", "-T", "TITLE=" + s.title, "-T", "ARTIST=" + s.artist, "-T",
                 "ALBUM=" + s.album, "-T", "GENRE=" + s.genre, "-T", "DATE=" + s.year, "-T",
                 "TRACKNUMBER=" + s.track, "-o", path, wav},
                &ok);
        break;
    case EAudioFormat::OggVorbis:
        RunTool("oggenc",
                {"-Q", "-t", s.title, "-a", s.artist, "-l", s.album, "-G", s.genre, "-d", s.year,
                 "-N", s.track, "-o", path, wav},
                &ok);
        break;
    case EAudioFormat::Opus:
        RunTool("opusenc",
                {"--quiet", "--title", s.title, "--artist", s.artist, "--album", s.album, "--genre",
                 s.genre, "--date", s.year, "--comment", "TRACKNUMBER=" + s.track, wav, path},
                &ok);
        break;
    case EAudioFormat::Mp4:
        RunTool("ffmpeg",
                QStringList{"-v",
                            "error",
                            "-y",
                            "-i",
                            wav,
                            "-c:a",
                            "aac",
                            "-b:a",
                            "96k",
                            "-metadata",
                            "title=" + s.title,
                            "-metadata",
                            "artist=" + s.artist,
                            "-metadata",
                            "album=" + s.album,
                            "-metadata",
                            "genre=" + s.genre,
                            "-metadata",
                            "date=" + s.year,
                            "-metadata",
                            "track=" + s.track} +
                    M4aArgs(s) + QStringList{path},
                &ok);
        break;
    case EAudioFormat::Mpeg:
        RunTool("lame",
                {"--quiet", "--tt", s.title, "--ta", s.artist, "--tl", s.album, "--tg", s.genre,
                 "--ty", s.year, "--tn", s.track, wav, path},
                &ok);
        break;
    }
    return ok;
}

} // namespace

namespace CRealFiles {

bool Make(const QString& path, const SRecipe& recipe)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    bool ok = false;
    RunTool("ffmpeg",
            {"-v", "error", "-f", "lavfi", "-i",
             QStringLiteral("sine=frequency=440:duration=%1:sample_rate=44100").arg(recipe.seconds),
             "-ac", "2", wav},
            &ok);
    if (!ok)
        return false;
    const bool relaid = recipe.format == EAudioFormat::Mp4 &&
                        (recipe.layout == ELayout::BothSides || recipe.layout == ELayout::Wide ||
                         recipe.layout == ELayout::Padded);
    const QString encoded = relaid ? dir.filePath(QStringLiteral("plain.m4a")) : path;
    if (!Encode(wav, encoded, recipe))
        return false;
    if (!relaid)
        return true;
    const QString mode = recipe.layout == ELayout::BothSides ? QStringLiteral("both")
                         : recipe.layout == ELayout::Wide    ? QStringLiteral("wide")
                                                             : QStringLiteral("padded");
    RunTool("/usr/bin/python3", {"-c", kRelayout, encoded, path, mode}, &ok);
    return ok;
}

QMap<QString, QString> Tags(const QString& path)
{
    bool ok = false;
    const QByteArray json = RunTool("/usr/bin/python3", {"-c", kReadTags, path}, &ok);
    QMap<QString, QString> tags;
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        tags.insert(it.key(), it.value().toString());
    return tags;
}

QByteArray Samples(const QString& path, qint64* bytes)
{
    bool ok = false;
    const QByteArray pcm = RunTool(
        "ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-ac", "2", "-ar", "44100", "-"}, &ok);
    if (bytes)
        *bytes = pcm.size();
    return ok && !pcm.isEmpty() ? QCryptographicHash::hash(pcm, QCryptographicHash::Sha1)
                                : QByteArray();
}

QString Describe(const SRecipe& recipe)
{
    static const char* const kLayouts[] = {"plain",          "movie first",
                                           "fragmented",     "media data on both sides",
                                           "64-bit offsets", "padded"};
    QString name = CAudioFormat::Name(recipe.format);
    if (recipe.format == EAudioFormat::Mp4)
        name += QStringLiteral(" (%1)").arg(QLatin1String(kLayouts[int(recipe.layout)]));
    return name;
}

} // namespace CRealFiles
