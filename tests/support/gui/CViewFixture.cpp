#include "support/gui/CViewFixture.h"

#include "db/CCdlistSet.h"
#include "platform/CSettings.h"
#include "support/CDocFixture.h"

#include <QFileInfo>

CViewFixture::CViewFixture()
{
    doc.OpenDatabase(env.DatabasePath());
}

CViewFixture::~CViewFixture()
{
    m_frame.reset();
}

qint64 CViewFixture::AddSong(const QString& session, const QString& title, const QString& folder,
                             const QString& file)
{
    return AddTestSong(doc.Set(), {.cd = session, .title = title, .file = file, .path = folder});
}

SAppServices CViewFixture::Services()
{
    SAppServices s;
    s.prompts = &prompts;
    s.winamp = remote ? remote : &player;
    s.volumes = mounts ? mounts : &volumes;
    s.dataDir = env.DataDir();
    s.currentMonth = [this] { return month; };
    s.desktopDir = env.Root() + QStringLiteral("/Desktop");
    s.tempDir = env.Root() + QStringLiteral("/tmp");
    s.docDir = env.Root() + QStringLiteral("/doc");
    s.openUrl = [this](const QUrl& url) {
        openedUrls << url;
        return urlsOpen && !unopenable.contains(QFileInfo(url.path()).suffix());
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

void CViewFixture::SkipStartQuestions()
{
    CSettings::SetInt(ESetting::Firsttime, 1);
    CSettings::SetInt(ESetting::UpdateDate, month);
}
