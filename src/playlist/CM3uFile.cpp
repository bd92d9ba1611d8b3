#include "playlist/CM3uFile.h"

#include "db/CCdlistSet.h"
#include "platform/CText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

// "C:\..." or "c:/...": written on Windows.
bool HasDriveLetter(const QString& text)
{
    return text.size() >= 2 && text.at(1) == u':' && text.at(0).isLetter() &&
           (text.size() == 2 || text.at(2) == u'\\' || text.at(2) == u'/');
}

} // namespace

bool CM3uFile::Write(CCdlistSet& set, const QList<qint32>& ids, const QString& file, int& written,
                     QString& error)
{
    written = 0;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        error = FileErrorText(file, out.errorString());
        return false;
    }
    for (qint32 id : ids) {
        if (!set.FindSongById(id))
            continue;
        out.write(CText::JoinPath(set.m_PATH, set.m_MELODI).toUtf8());
        out.write("\r\n", 2);
        ++written;
    }
    if (!out.commit()) {
        error = FileErrorText(file, out.errorString());
        written = 0;
        return false;
    }
    return true;
}

bool CM3uFile::ParseLine(QString text, const QString& baseFolder, SM3uLine& line)
{
    if (text.endsWith(u'\r'))
        text.chop(1);
    if (text.isEmpty() || text.startsWith(u'#'))
        return false;
    if (text.startsWith(u'\\'))
        text.prepend(QStringLiteral("c:"));
    line.foreign = HasDriveLetter(text);
    if (line.foreign)
        line.path = text;
    else if (text.startsWith(u'/'))
        line.path = text;
    else // relative to the playlist, as every player reads it
        line.path = QDir::cleanPath(baseFolder + u'/' + text);
    SplitPath(line.path, line.foreign, line.folder, line.name);
    return true;
}

void CM3uFile::SplitPath(const QString& path, bool foreign, QString& folder, QString& name)
{
    const qsizetype cut = path.lastIndexOf(foreign ? u'\\' : u'/');
    if (cut < 0) {
        folder.clear();
        name = path;
        return;
    }
    folder = path.left(cut);
    name = path.mid(cut + 1);
    if (folder.isEmpty() && !foreign)
        folder = QStringLiteral("/"); // a file in the root folder
}

bool CM3uFile::Read(const QString& file, QList<SM3uLine>& lines, QString& error)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        error = FileErrorText(file, in.errorString());
        return false;
    }
    const QString base = QFileInfo(file).absolutePath();
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        error = FileErrorText(file, in.errorString());
        return false;
    }
    QByteArray bytes = data;
    if (bytes.startsWith("\xEF\xBB\xBF")) // m3u8 files may start with a byte-order mark
        bytes.remove(0, 3);
    for (const QByteArray& raw : bytes.split('\n')) {
        // Most players write .m3u in a single-byte code page; read as UTF-8, their accented
        // names would never match and an import would store broken names. Decided line by
        // line, so a line added by another program does not spoil the rest.
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8(raw);
        if (utf8.hasError())
            text = QString::fromLatin1(raw);
        SM3uLine line;
        if (ParseLine(text, base, line))
            lines.append(line);
    }
    return true;
}

QString CM3uFile::FileErrorText(const QString& file, const QString& reason)
{
    return QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(file), reason);
}
