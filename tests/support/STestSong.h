#pragma once

#include "db/SSong.h"

#include <QString>

class CCdlistSet;

// The one way tests store songs: a test names only the columns it cares about (in this
// order, with designated initializers); the rest are made up so that every row is
// complete.
struct STestSong
{
    QString cd = QStringLiteral("S");
    QString title{};
    QString artist{};
    QString album{};
    QString file{}; // MELODI; the title + ".mp3" when empty
    QString path = QStringLiteral("/music");
    QString genre{};
    QString year{};
    QString bitrate{};
    QString duration{};
    QString comment{};
    QString track{};
    QString lyrics{};
    QString list{}; // the title, else the file name without ".mp3", when empty
    qint64 plays = 0;

    SSong Song() const;
};

// Stores the song; returns its ID.
qint64 AddTestSong(CCdlistSet& set, const STestSong& song);
