#pragma once

#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "support/CFakeVolumes.h"
#include "support/CFakeWinamp.h"
#include "support/CRecordingProgress.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"
#include "support/STestSong.h"

#include <list>

// The document over a private database and settings, with scripted prompts, a recording
// player, a fake mount table and recording progress displays: what the operations are
// built from, without a window.
class CDocFixture
{
public:
    CDocFixture();

    // Adds one song row directly (AddTestSong); returns its ID.
    qint64 AddSong(const QString& session, const QString& title,
                   const QString& folder = QStringLiteral("/music"),
                   const QString& file = QString());
    // The session list and the song count from the table, as at start-up.
    void Reload() { doc.ReloadSessions(); }
    // What each progress display created so far showed (the last one is the latest
    // job's); kept after the job ends.
    const std::list<CRecordingProgress>& Progresses() const { return m_progresses; }

    CTestEnvironment env;
    CScriptedPrompts prompts;
    CFakeWinamp player;
    CFakeVolumes volumes;
    CCdlistDoc doc;
    SAppServices services;
    // Steps after which the next progress display reports Cancel (-1: never).
    int cancelAfterSteps = -1;

private:
    std::list<CRecordingProgress> m_progresses;
};
