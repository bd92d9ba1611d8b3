// The mp3 tag reader and writer (and the cover they find) on arbitrary bytes; see
// FuzzFormat.h. Seeded from files a real encoder made (fuzz/seeds.sh).
#include "FuzzFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzFormat::Run(EAudioFormat::Mpeg, "mp3", data, size);
}
