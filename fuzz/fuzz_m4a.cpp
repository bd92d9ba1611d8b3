// The m4a tag reader and writer (and the cover they find) on arbitrary bytes; see
// FuzzFormat.h. Seeded from files a real encoder made (fuzz/seeds.sh).
#include "FuzzFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzFormat::Run(EAudioFormat::Mp4, "m4a", data, size);
}
