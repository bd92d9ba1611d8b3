#pragma once

#include "app/CCdlistView.h"
#include "app/CMainFrame.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "support/CFakeVolumes.h"
#include "support/CFakeWinamp.h"
#include "support/CScriptedPrompts.h"
#include "support/CTestEnvironment.h"

#include <QList>
#include <QUrl>
#include <functional>
#include <memory>

// A real main window over a private database and settings, with scripted prompts, a
// recording player and a chosen month. Songs can be put into the database before the
// window starts.
class CViewFixture
{
public:
    CViewFixture();
    ~CViewFixture();

    // Adds one song row directly (before or after start-up); returns its ID.
    qint64 AddSong(const QString& session, const QString& title,
                   const QString& folder = QStringLiteral("/music"),
                   const QString& file = QString());
    // Builds the window and runs the start-up sequence.
    void Start();
    // No first-run or monthly offers at start-up: run before and checked this month.
    void SkipStartQuestions();
    CCdlistView& View() { return *m_view; }
    CMainFrame& Frame() { return *m_frame; }

    CTestEnvironment env;
    CScriptedPrompts prompts;
    CFakeWinamp player;
    // Another player remote (a real MPD's) to use instead of the recording one.
    CWinampRemote* remote = nullptr;
    // Another mount table to use instead of the empty one.
    CVolumes* mounts = nullptr;
    CFakeVolumes volumes; // empty unless a test mounts something
    int month = 6;
    // Runs on the new window before its start-up sequence (to connect to its signals).
    std::function<void(CCdlistView&)> beforeStart;
    QList<QUrl> openedUrls;
    bool urlsOpen = true;   // what the desktop opener answers
    QStringList unopenable; // file suffixes the desktop has no program for
    CCdlistDoc doc;

private:
    SAppServices Services();
    CCdlistView* m_view = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
};
