// Feeds arbitrary bytes, stored as a FLAC, Ogg or MP4 file, to the tag writer of that
// format: it may refuse, but never crash or hang, and a write it reports as done must read
// back and be undone to the very bytes it found.
#include "media/CTaggedFile.h"

#include <QFile>
#include <QString>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString& InputPath()
{
    static const QString path = QStringLiteral("%1/fuzz_format_writer_%2")
                                    .arg(access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm")
                                                                       : QStringLiteral("/tmp"))
                                    .arg(getpid());
    return path;
}

QByteArray Contents()
{
    QFile file(InputPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the writer: the file need not be what its name says.
    constexpr EAudioFormat kFormats[] = {EAudioFormat::Flac, EAudioFormat::OggVorbis,
                                         EAudioFormat::Opus, EAudioFormat::Mp4};
    const EAudioFormat format = kFormats[data[0] % 4];
    const QByteArray original(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    {
        QFile file(InputPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(original) != original.size())
            return 0;
    }
    STagChanges changes;
    changes.title =
        QStringLiteral("A title longer than any padding would hold, ") + QString(200, u'x');
    changes.comment = QString(); // an entry that goes
    STagBefore before;
    if (!CTaggedFile::Of(format).Write(InputPath(), changes, &before).isEmpty()) {
        if (Contents() != original)
            std::abort(); // refused, yet changed
        return 0;
    }
    STagFields fields;
    if (!CTaggedFile::ReadAs(InputPath(), format, &fields, nullptr) ||
        fields.title != *changes.title)
        std::abort(); // reported as written, yet not there
    if (!CTaggedFile::Of(format).Restore(InputPath(), before).isEmpty() || Contents() != original)
        std::abort(); // undone, yet not as it was
    return 0;
}
