#include "support/CDocFixture.h"

CDocFixture::CDocFixture()
{
    doc.OpenDatabase(env.DatabasePath());
    services.prompts = &prompts;
    services.winamp = &player;
    services.volumes = &volumes;
    services.dataDir = env.DataDir();
    services.currentMonth = [] { return 6; };
    services.tempDir = env.Root() + QStringLiteral("/tmp");
    services.createProgress = [this](const QString& caption, int lines, int width) {
        CRecordingProgress& record = m_progresses.emplace_back();
        record.caption = caption;
        record.lines = lines;
        record.width = width;
        record.cancelAfterSteps = cancelAfterSteps;
        return std::unique_ptr<CProgress>(std::make_unique<CProgressProxy>(record));
    };
}

qint64 CDocFixture::AddSong(const QString& session, const QString& title, const QString& folder,
                            const QString& file)
{
    return AddTestSong(doc.Set(), {.cd = session, .title = title, .file = file, .path = folder});
}
