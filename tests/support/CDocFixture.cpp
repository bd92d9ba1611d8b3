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

qint32 AddSongRow(CCdlistSet& set, const QString& session, const QString& title,
                  const QString& folder, const QString& file)
{
    set.AddNew();
    set.m_CD = session;
    set.m_TITLE = title;
    set.m_LIST = title;
    set.m_PATH = folder;
    set.m_MELODI = file.isEmpty() ? title + QStringLiteral(".mp3") : file;
    set.Update();
    return set.m_ID;
}

qint32 CDocFixture::AddSong(const QString& session, const QString& title, const QString& folder,
                            const QString& file)
{
    return AddSongRow(doc.Set(), session, title, folder, file);
}
