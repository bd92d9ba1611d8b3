#pragma once

#include "db/CCdlistSet.h"
#include "support/CDocFixture.h"

#include <gtest/gtest.h>

// The reports over the document of a private catalogue.
class ReportsFixture : public ::testing::Test
{
protected:
    qint64 Add(const STestSong& s) { return AddTestSong(set, s); }

    CDocFixture f;
    CCdlistSet& set = f.doc.Set();
};
