// Feeds arbitrary bytes, stored as a file, to the tag reader and the stream probe: neither
// may crash, hang or print on any input.
#include "media/CStreamProbe.h"
#include "media/CTagReader.h"
#include "media/CTaggedFile.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

// On tmpfs when there is one: rewriting a file on ext4 waits for its blocks each time.
const QString& InputPath()
{
    static const QString path = QStringLiteral("%1/fuzz_tag_probe_%2.mp3")
                                    .arg(access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm")
                                                                       : QStringLiteral("/tmp"))
                                    .arg(getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::unique_ptr<CStreamProbe> probe = CStreamProbe::Create();
    if (!probe)
        std::abort();
    const QByteArray name = InputPath().toLocal8Bit();
    FILE* f = std::fopen(name.constData(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    STagFields fields;
    CTaggedFile::Read(InputPath(), fields);
    probe->Probe(InputPath());
    if (fields.lyrics.size() > CTagReader::kMaxLyrics)
        std::abort();
    if (!probe->m_bitrate.isEmpty() && probe->m_duration.isEmpty())
        std::abort();
    return 0;
}
