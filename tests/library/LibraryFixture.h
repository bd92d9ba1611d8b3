#pragma once

#include "db/CCdlistSet.h"
#include "library/CLibraryOperations.h"
#include "platform/CSettings.h"
#include "support/CDocFixture.h"

#include <gtest/gtest.h>

// One song row with only the columns a test cares about set.
struct SLibrarySong
{
    QString cd = QStringLiteral("S");
    QString title{};
    QString artist{};
    QString album{};
    QString file{};
    QString path = QStringLiteral("/music");
    QString genre{};
    QString duration{};
    QString comment{};
    QString lyrics{};
    QString year{};
};

// Stores the song (LIST is its title, the file its title + ".mp3" unless named) and
// leaves the set unfiltered, as between operations; returns its ID.
inline qint32 AddLibrarySong(CCdlistSet& set, const SLibrarySong& s)
{
    set.AddNew();
    set.m_CD = s.cd;
    set.m_TITLE = s.title;
    set.m_LIST = s.title;
    set.m_ARTIST = s.artist;
    set.m_ALBUM = s.album;
    set.m_MELODI = s.file.isEmpty() ? s.title + QStringLiteral(".mp3") : s.file;
    set.m_PATH = s.path;
    set.m_GENRE = s.genre;
    set.m_DURATION = s.duration;
    set.m_COMMENT = s.comment;
    set.m_LYRICS = s.lyrics;
    set.m_YEAR = s.year;
    set.Update();
    const qint32 id = set.m_ID;
    set.Requery();
    return id;
}

// The document over a fresh database, with scripted prompts, and the library operations.
class LibraryFixture : public ::testing::Test, protected CDocFixture
{
protected:
    using SSong = SLibrarySong;

    qint32 Add(const SSong& s) { return AddLibrarySong(set, s); }

    CCdlistSet& set = doc.Set();
    CLibraryOperations ops{doc, services};
};
