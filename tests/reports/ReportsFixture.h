#pragma once

#include "db/CCdlistSet.h"
#include "support/CDocFixture.h"

#include <gtest/gtest.h>

// A test names only the fields of a song it cares about; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// The reports over the document of a private catalogue.
class ReportsFixture : public ::testing::Test
{
protected:
    struct SSong
    {
        QString cd = QStringLiteral("CD1");
        QString folder = QStringLiteral("/music");
        QString file;
        QString title;
        QString artist;
        QString album;
        QString year;
        QString bitrate;
        QString duration;
        QString comment;
        qint32 plays = 0;
    };

    qint32 Add(const SSong& s)
    {
        set.AddNew();
        set.m_CD = s.cd;
        set.m_PATH = s.folder;
        set.m_MELODI = s.file;
        set.m_LIST = s.title.isEmpty() ? s.file : s.title;
        set.m_TITLE = s.title;
        set.m_ARTIST = s.artist;
        set.m_ALBUM = s.album;
        set.m_YEAR = s.year;
        set.m_BITRATE = s.bitrate;
        set.m_DURATION = s.duration;
        set.m_COMMENT = s.comment;
        set.Update();
        if (s.plays) { // a new song starts unplayed
            set.Edit();
            set.m_USE = s.plays;
            set.Update();
        }
        return set.m_ID;
    }

    CDocFixture f;
    CCdlistSet& set = f.doc.Set();
};
