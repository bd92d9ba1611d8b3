#pragma once

// A folder tree of realistic tagged MP3 files for the intake benchmarks: folders of 100
// songs, CBR and VBR with Xing headers, a few percent VBR without a header (these need a
// full scan). A finished tree is marked and reused.

#include "support/CMp3Factory.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <random>

inline CMp3Factory::EKind RealisticKind(std::mt19937& random)
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

// False when a file cannot be written.
inline bool GenerateSongTree(const QString& root, int files)
{
    const QString done = root + QStringLiteral("/.complete-%1").arg(files);
    if (QFile::exists(done))
        return true;
    QDir(root).removeRecursively();
    std::mt19937 random(42);
    static constexpr int kRates[] = {128, 160, 192, 256, 320};
    constexpr int kPerFolder = 100;
    for (int n = 0; n < files; ++n) {
        const int folder = n / kPerFolder;
        const int index = n % kPerFolder + 1;
        const QString artist = QStringLiteral("Artist %1").arg(folder, 2, 10, QLatin1Char('0'));
        const CMp3Factory::EKind kind = RealisticKind(random);
        const bool scanned = kind == CMp3Factory::EKind::VbrNoHeader;
        const double seconds = scanned ? 180 + random() % 120 : 10 + random() % 20;
        const QString title = QStringLiteral("Song %1").arg(index);
        const QString name = QStringLiteral("%1 - %2 - %3.mp3")
                                 .arg(index, 2, 10, QLatin1Char('0'))
                                 .arg(artist, title);
        if (!CMp3Factory::WriteTaggedSong(root + u'/' + artist + u'/' + name, seconds,
                                          kRates[random() % 5], kind, title, artist,
                                          QStringLiteral("Album %1").arg(folder)))
            return false;
    }
    QFile(done).open(QIODevice::WriteOnly);
    return true;
}
