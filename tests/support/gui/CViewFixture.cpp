#include "support/gui/CViewFixture.h"

#include "db/CCdlistSet.h"

CViewFixture::CViewFixture()
{
    doc.OpenDatabase(env.DatabasePath());
}

CViewFixture::~CViewFixture()
{
    m_frame.reset();
}

qint32 CViewFixture::AddSong(const QString& session, const QString& title, const QString& folder,
                             const QString& file)
{
    CCdlistSet& set = doc.Set();
    set.AddNew();
    set.m_CD = session;
    set.m_TITLE = title;
    set.m_LIST = title;
    set.m_PATH = folder;
    set.m_MELODI = file.isEmpty() ? title + QStringLiteral(".mp3") : file;
    set.Update();
    return set.m_ID;
}

SAppServices CViewFixture::Services()
{
    SAppServices s;
    s.prompts = &prompts;
    s.winamp = &player;
    s.volumes = &volumes;
    s.dataDir = env.DataDir();
    s.currentMonth = [this] { return month; };
    s.desktopDir = env.Root() + QStringLiteral("/Desktop");
    s.tempDir = env.Root() + QStringLiteral("/tmp");
    s.openUrl = [this](const QUrl& url) {
        openedUrls << url;
        return true;
    };
    return s;
}

void CViewFixture::Start()
{
    m_view = new CCdlistView(doc, Services());
    m_frame = std::make_unique<CMainFrame>(m_view);
    m_frame->FitToForm();
    if (beforeStart)
        beforeStart(*m_view);
    m_view->OnInitialUpdate();
}
