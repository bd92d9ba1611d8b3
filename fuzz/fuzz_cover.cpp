// The picture reader on arbitrary bytes: a cover's header is checked before it is decoded,
// so no input may crash, hang or take more than the stated memory. Seeded with JPEG and PNG
// pictures a real encoder made (fuzz/seeds.sh).
#include "media/CCoverReader.h"

#include <QCoreApplication>
#include <QImage>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv); // the image plugins
    const QByteArray picture(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray thumbnail = CCoverReader::Thumbnail(picture);
    if (thumbnail.size() > CCoverReader::kThumbnailBytes)
        std::abort(); // past the catalogue's bound
    const QImage shown = CCoverReader::Decoded(picture, QSize(64, 64));
    if (shown.width() > 64 || shown.height() > 64)
        std::abort(); // larger than asked for
    return 0;
}
