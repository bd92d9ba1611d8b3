#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariant>

// Reads a file's tags back with an independent reader (mutagen), frames untranslated:
// {"version": 3, "TIT2": {"enc": 0, "text": ["x"]}, "COMM": {...}, "v1": "title",
// "v1genre": 17, "v1year": "1999", "v1track": 1, "comments": ["desc=text", ...]} — the first frame
// of each identifier, "version" 0 without ID3v2.
inline QJsonObject ProbeTags(const QString& path)
{
    static const char* const kScript = R"PY(
import sys, json
from mutagen.id3 import ID3, ID3NoHeaderError
r = {'version': 0}
try:
    t = ID3(sys.argv[1], translate=False)
    r['version'] = t.version[1]
    for f in t.values():
        text = getattr(f, 'text', [])
        d = {'text': [text] if isinstance(text, str) else [str(x) for x in text]}
        if hasattr(f, 'encoding'):
            d['enc'] = int(f.encoding)
        if hasattr(f, 'desc'):
            d['desc'] = f.desc
        r.setdefault(f.FrameID, d)
        if f.FrameID == 'COMM':
            r.setdefault('comments', []).append(f.desc + '=' + d['text'][0])
except ID3NoHeaderError:
    pass
data = open(sys.argv[1], 'rb').read()
if len(data) >= 128 and data[-128:-125] == b'TAG':
    r['v1'] = data[-125:-95].rstrip(b'\0 ').decode('latin1')
    r['v1genre'] = data[-1]
    r['v1year'] = data[-35:-31].decode('latin1')
    r['v1track'] = data[-2] if data[-3] == 0 else 0
print(json.dumps(r))
)PY";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromLatin1(kScript), path});
    if (!python.waitForFinished(30000))
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

// The first text of a frame as the probe saw it.
inline QString FrameText(const QJsonObject& tags, const char* id)
{
    return tags.value(QLatin1String(id))
        .toObject()
        .value(QLatin1String("text"))
        .toArray()
        .first()
        .toString();
}

// The first texts of several frames, to compare at once.
inline QStringList FrameTexts(const QJsonObject& tags, std::initializer_list<const char*> ids)
{
    QStringList texts;
    for (const char* id : ids)
        texts << FrameText(tags, id);
    return texts;
}

// Every comment as "description=text".
inline QStringList Comments(const QJsonObject& tags)
{
    return tags.value(QLatin1String("comments")).toVariant().toStringList();
}

inline int FrameEncoding(const QJsonObject& tags, const char* id)
{
    return tags.value(QLatin1String(id)).toObject().value(QLatin1String("enc")).toInt(-1);
}

inline QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything after the ID3v2 tag and before an ID3v1 tag: the audio and any APE tag.
inline QByteArray AudioOf(const QByteArray& file)
{
    qsizetype start = 0;
    if (file.startsWith("ID3")) {
        const auto b = [&](int i) { return quint32(quint8(file[i])); };
        start = 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9));
    }
    qsizetype end = file.size();
    if (end - start >= 128 && file.mid(end - 128, 3) == "TAG")
        end -= 128;
    return file.mid(start, end - start);
}
