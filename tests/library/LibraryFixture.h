#pragma once

#include "db/CCdlistSet.h"
#include "library/CLibraryOperations.h"
#include "platform/CSettings.h"
#include "support/CDocFixture.h"

#include <gtest/gtest.h>

// The document over a fresh database, with scripted prompts, and the library operations.
class LibraryFixture : public ::testing::Test, protected CDocFixture
{
protected:
    qint64 Add(const STestSong& s) { return AddTestSong(set, s); }

    CCdlistSet& set = doc.Set();
    CLibraryOperations ops{doc, services};
};
