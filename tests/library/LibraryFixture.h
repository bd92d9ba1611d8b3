#pragma once

#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "support/CTestEnvironment.h"

#include <gtest/gtest.h>

// A fresh database with a song set, and a quick way to add songs.
class LibraryFixture : public ::testing::Test
{
protected:
    struct SSong
    {
        QString cd = QStringLiteral("S");
        QString title;
        QString artist;
        QString album;
        QString file;
        QString path = QStringLiteral("/music");
        QString genre;
        QString duration;
        QString comment;
        QString lyrics;
        QString year;
    };

    void SetUp() override
    {
        db.Open(env.DatabasePath());
        set.Open(db);
    }

    qint32 Add(const SSong& s)
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

    CTestEnvironment env;
    CDatabase db;
    CCdlistSet set;
};
