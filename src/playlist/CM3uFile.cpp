#include "playlist/CM3uFile.h"

#include "db/CCdlistSet.h"
#include "platform/CFileNames.h"
#include "platform/CSafeTarget.h"
#include "platform/CText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "C:\..." or "c:/...": written on Windows.
bool HasDriveLetter(const QString& text)
{
    return text.size() >= 2 && text.at(1) == u':' && text.at(0).isLetter() &&
           (text.size() == 2 || text.at(2) == u'\\' || text.at(2) == u'/');
}

constexpr qint64 kMaxLine = 64 * 1024;            // longer lines name no file: skipped
constexpr qint64 kMaxPlaylist = 64 * 1024 * 1024; // no playlist is that large: refused
constexpr qsizetype kMaxSongs = 100000;           // nor that long: refused

QString TooLargeText()
{
    return QStringLiteral("The file is larger than 64 MB; no playlist is that long.");
}

// Devices, pipes and folders are refused before anything is read: /dev/zero would be read
// without end, a pipe would wait forever.
bool OpenPlaylist(const QString& file, QFile& in, QString& error)
{
    const int fd = ::open(CFileNames::Encode(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = CM3uFile::FileErrorText(file, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat st = {};
    QString reason;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        reason = QStringLiteral("This is not a regular file, so it cannot be a playlist.");
    else if (st.st_size > kMaxPlaylist)
        reason = TooLargeText();
    else if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        reason = in.errorString();
    if (reason.isEmpty())
        return true;
    if (!in.isOpen())
        ::close(fd);
    error = CM3uFile::FileErrorText(file, reason);
    return false;
}

// Hands each line to `take` without its '\n' until it returns false; lines longer than
// kMaxLine are skipped. False when the file grows past kMaxPlaylist while it is read.
bool ForEachLine(QIODevice& in, const std::function<bool(QByteArray)>& take)
{
    QByteArray buffer(kMaxLine + 2, Qt::Uninitialized);
    qint64 total = 0;
    bool skipping = false;
    for (;;) {
        const qint64 n = in.readLine(buffer.data(), buffer.size());
        if (n <= 0)
            return true;
        total += n;
        if (total > kMaxPlaylist)
            return false;
        const bool ended = buffer.at(n - 1) == '\n';
        if (!ended && n == buffer.size() - 1) {
            skipping = true; // the start or the middle of a line too long
            continue;
        }
        if (!skipping && !take(QByteArray(buffer.constData(), ended ? n - 1 : n)))
            return true;
        skipping = false;
    }
}

} // namespace

bool CM3uFile::Write(CCdlistSet& set, const QList<qint64>& ids, const QString& file,
                     const QStringList& protectedFiles, SWritten& written, QString& error)
{
    written = SWritten();
    const bool ok = CSafeTarget::WriteWhole(
        file, protectedFiles,
        [&](QIODevice& out) {
            for (qint64 id : ids) {
                const std::optional<SSong> song = set.FindSongById(id);
                if (!song)
                    continue;
                const QString path = song->FilePath();
                if (path.contains(u'\n') || path.contains(u'\r')) {
                    written.leftOut << path;
                    continue;
                }
                out.write(CFileNames::Encode(path)); // a name in Latin-1 keeps its bytes
                out.write("\r\n", 2);
                ++written.lines;
            }
            return QString();
        },
        error);
    if (!ok) {
        written = SWritten();
        return false;
    }
    return true;
}

QString CM3uFile::LeftOutText(const QStringList& paths)
{
    constexpr int kNamed = 10;
    QString text = QStringLiteral("These songs were left out of the playlist: a line break in "
                                  "the file name would split its line.");
    for (const QString& path : paths.mid(0, kNamed))
        text += u'\n' + CText::Printable(path);
    if (paths.size() > kNamed)
        text += QStringLiteral("\n(and %1 more)").arg(paths.size() - kNamed);
    return text;
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
    else if (text.startsWith(u'/')) // "/a//b/./c/../d" is stored as "/a/b/d"
        line.path = QDir::cleanPath(text);
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
    QFile in;
    if (!OpenPlaylist(file, in, error))
        return false;
    const QString base = QFileInfo(file).absolutePath();
    bool first = true;
    bool tooMany = false;
    const bool whole = ForEachLine(in, [&](QByteArray raw) {
        if (lines.size() == kMaxSongs) {
            SM3uLine more;
            tooMany = ParseLine(QString::fromLatin1(raw), base, more);
            return !tooMany;
        }
        if (first && raw.startsWith("\xEF\xBB\xBF")) // m3u8 files may start with a byte-order mark
            raw.remove(0, 3);
        first = false;
        // Most players write .m3u in a single-byte code page; read as UTF-8, their accented
        // names would never match and an import would store broken names. Decided line by
        // line, so a line added by another program does not spoil the rest.
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(raw);
        SM3uLine line;
        if (!utf8.hasError()) {
            if (ParseLine(text, base, line))
                lines.append(line);
            return true;
        }
        // The line's bytes kept as they are name the file when this program wrote the
        // playlist for a file named in Latin-1 (see CFileNames); they are taken when such a
        // file exists here, else the Latin-1 reading. The other is kept for the catalogue.
        SM3uLine exact, latin1;
        if (!ParseLine(CFileNames::Decode(raw), base, exact) ||
            !ParseLine(QString::fromLatin1(raw), base, latin1))
            return true;
        const bool exactExists =
            !exact.foreign && ::access(CFileNames::Encode(exact.path).constData(), F_OK) == 0;
        line = exactExists ? exact : latin1;
        const SM3uLine& other = exactExists ? latin1 : exact;
        line.otherFolder = other.folder;
        line.otherName = other.name;
        lines.append(line);
        return true;
    });
    if (!whole || tooMany || in.error() != QFileDevice::NoError) {
        error = FileErrorText(file, tooMany ? QStringLiteral("It names more than 100,000 songs; "
                                                             "no playlist is that long.")
                                    : whole ? in.errorString()
                                            : TooLargeText());
        lines.clear();
        return false;
    }
    return true;
}

QString CM3uFile::FileErrorText(const QString& file, const QString& reason)
{
    return CSafeTarget::FileError(file, reason);
}
