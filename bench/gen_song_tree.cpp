// Writes the benchmark's tree of tagged MP3 files (for bench_add_session.sh).
// Usage: gen_song_tree DIR [FILES]. A finished tree is reused.

#include "SongTree.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_song_tree DIR [FILES]\n");
        return 2;
    }
    const int files = argc > 2 ? std::atoi(argv[2]) : 5000;
    if (!GenerateSongTree(QString::fromLocal8Bit(argv[1]), files)) {
        std::fprintf(stderr, "cannot write below %s\n", argv[1]);
        return 1;
    }
    return 0;
}
