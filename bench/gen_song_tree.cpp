// Writes a folder tree of tagged MP3 files for the session benchmarks: artist folders of
// 100 songs each (CBR and VBR with info frames, 3 % VBR without one), the mix the intake
// benchmark uses. Usage: gen_song_tree DIR [FILES]. A finished tree is reused.

// The test support is compiled in here: benchmarks link only the core.
#include "../tests/support/CId3Writer.cpp"
#include "../tests/support/CMp3Factory.cpp"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

CMp3Factory::EKind KindOf(std::mt19937& random)
{
    const int r = int(random() % 100);
    if (r < 3)
        return CMp3Factory::EKind::VbrNoHeader;
    if (r < 40)
        return CMp3Factory::EKind::VbrXing;
    if (r < 70)
        return CMp3Factory::EKind::CbrInfo;
    return CMp3Factory::EKind::Cbr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_song_tree DIR [FILES]\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const int files = argc > 2 ? std::atoi(argv[2]) : 5000;
    const QString done = root + QStringLiteral("/.complete-%1").arg(files);
    if (QFile::exists(done))
        return 0;
    QDir(root).removeRecursively();
    std::mt19937 random(42);
    static constexpr int kRates[] = {128, 160, 192, 256, 320};
    constexpr int kPerFolder = 100;
    for (int n = 0; n < files; ++n) {
        const int folder = n / kPerFolder;
        const int index = n % kPerFolder + 1;
        const QString artist = QStringLiteral("Artist %1").arg(folder, 2, 10, QLatin1Char('0'));
        const CMp3Factory::EKind kind = KindOf(random);
        const bool scanned = kind == CMp3Factory::EKind::VbrNoHeader;
        const double seconds = scanned ? 180 + random() % 120 : 10 + random() % 20;
        const QString title = QStringLiteral("Song %1").arg(index);
        const QString name = QStringLiteral("%1 - %2 - %3.mp3")
                                 .arg(index, 2, 10, QLatin1Char('0'))
                                 .arg(artist, title);
        if (!CMp3Factory::WriteTaggedSong(root + u'/' + artist + u'/' + name, seconds,
                                          kRates[random() % 5], kind, title, artist,
                                          QStringLiteral("Album %1").arg(folder))) {
            std::fprintf(stderr, "cannot write below %s\n", argv[1]);
            return 1;
        }
    }
    QFile(done).open(QIODevice::WriteOnly);
    return 0;
}
