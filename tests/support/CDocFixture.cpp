#include "support/CDocFixture.h"

namespace {

// Hands a job a display whose record outlives the job.
class CProgressProxy : public CProgress
{
public:
    explicit CProgressProxy(CRecordingProgress& record) : m_record(record) {}
    void SetRange(int l, int u, int s) override { m_record.SetRange(l, u, s); }
    void SetMessage(const QString& m) override { m_record.SetMessage(m); }
    int Step() override { return m_record.Step(); }
    void SetPos(int p) override { m_record.SetPos(p); }
    bool Pump(bool escape) override { return m_record.Pump(escape); }
    bool IsCancelled() const override { return m_record.IsCancelled(); }
    void Hide() override { m_record.Hide(); }
    void Show() override { m_record.Show(); }

private:
    CRecordingProgress& m_record;
};

} // namespace

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
