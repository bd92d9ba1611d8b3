// One format's tag reader and writer on arbitrary bytes, shared by the fuzz_<format>
// targets: reading may find nothing but never crash, hang or exceed its bounds; a write
// either refuses and leaves the file as it was, or reads back and is undone to the very
// bytes it found.
#pragma once

#include "media/CAudioFormat.h"
#include "media/CCoverReader.h"
#include "media/CTaggedFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <unistd.h>

namespace FuzzFormat {

// On tmpfs when there is one: rewriting a file on ext4 waits for its blocks each time.
inline QString InputPath(const char* suffix)
{
    return QStringLiteral("%1/fuzz_%2_%3.%4")
        .arg(access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm") : QStringLiteral("/tmp"))
        .arg(QLatin1String(suffix))
        .arg(getpid())
        .arg(QLatin1String(suffix));
}

inline QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool Store(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline bool ReadFields(const QString& path, EAudioFormat format, STagFields& fields)
{
    SStreamFigures figures;
    return CTaggedFile::ReadAs(path, format, &fields, &figures);
}

inline QString WriteFields(const QString& path, EAudioFormat format, const STagChanges& changes,
                           STagBefore& before)
{
    return CTaggedFile::Of(format).Write(path, changes, &before);
}

inline QString Undo(const QString& path, EAudioFormat format, const STagBefore& before)
{
    return CTaggedFile::Of(format).Restore(path, before);
}

// The first byte picks the edit: a longer title, a shorter one, or emptied fields.
inline STagChanges ChangesFor(quint8 choice)
{
    STagChanges changes;
    switch (choice % 3) {
    case 0:
        changes.title =
            QStringLiteral("A title longer than any padding would hold, ") + QString(200, u'x');
        changes.comment = QString();
        break;
    case 1:
        changes.title = QStringLiteral("T");
        break;
    default:
        changes.title = QStringLiteral("Ünïcödé");
        changes.artist = QString();
        changes.album = QString();
        break;
    }
    return changes;
}

inline int Run(EAudioFormat format, const char* suffix, const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv); // image plugins for the covers
    if (size < 1)
        return 0;
    const QString path = InputPath(suffix);
    const QByteArray original(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (!Store(path, original))
        return 0;
    STagFields read;
    ReadFields(path, format, read);
    if (read.lyrics.size() > STagFields::kMaxLyrics)
        std::abort(); // past the reader's bound
    CCoverReader::Thumbnail(CCoverReader::EmbeddedCover(path));
    if (Contents(path) != original)
        std::abort(); // a read changed the file

    const STagChanges changes = ChangesFor(data[0]);
    STagBefore before;
    if (!WriteFields(path, format, changes, before).isEmpty()) {
        if (Contents(path) != original)
            std::abort(); // refused, yet changed
        return 0;
    }
    STagFields fields;
    if (!ReadFields(path, format, fields) || fields.title != *changes.title)
        std::abort(); // reported as written, yet not there
    if (!Undo(path, format, before).isEmpty() || Contents(path) != original)
        std::abort(); // undone, yet not as it was
    return 0;
}

} // namespace FuzzFormat
