#include "intake/CSessionCli.h"

#include "app/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "intake/CSessionCommands.h"
#include "intake/CSessionHost.h"
#include "intake/CSessionNameDialog.h"
#include "platform/CConsoleProgress.h"
#include "platform/CVolumes.h"
#include "playback/CWinampRemote.h"

namespace {

using EOutcome = CSessionCommands::EOutcome;

// The window's part played without a window: the session list is the database's,
// the selection is the session named on the command line, progress goes to stderr.
class CCliSessionHost : public CSessionHost
{
public:
    CCliSessionHost(CCdlistSet& set, const QString& selected)
        : m_set(set), m_selected(selected), m_songCount(set.CountAll())
    {}

    int SessionEntryCount() const override { return int(m_set.SessionCounts().size()); }
    std::optional<QString> SelectedSession() const override
    {
        return HasSessionEntry(m_selected) ? std::optional(m_selected) : std::nullopt;
    }
    bool HasSessionEntry(const QString& name) const override
    {
        for (const auto& [session, count] : m_set.SessionCounts()) {
            if (session == name)
                return true;
        }
        return false;
    }
    void AddSessionEntry(const QString&) override {}
    void RemoveSelectedSessionEntry() override {}
    qint64 SongCount() const override { return m_songCount; }
    void AdjustSongCount(qint64 delta) override { m_songCount += delta; }
    void ClearPlaylist() override {}
    void ClearSongList() override {}
    void RefreshFields() override {}
    std::unique_ptr<CProgress> CreateProgress(const QString& caption, int, int) override
    {
        return std::make_unique<CConsoleProgress>(caption);
    }
    QWidget* DialogParent() override { return nullptr; }

private:
    CCdlistSet& m_set;
    QString m_selected;
    qint64 m_songCount;
};

// Everything one session command needs, built from the command line's context.
struct SSessionCli
{
    explicit SSessionCli(SCliContext& context, const QString& selected = QString())
        : host(context.set, selected),
          commands(host, context.set, context.except, context.prompts, player, volumes)
    {}
    CNoWinampRemote player;
    CSystemVolumes volumes;
    CCliSessionHost host;
    CSessionCommands commands;
};

void RequireSession(SSessionCli& cli, const QString& name)
{
    if (!cli.host.HasSessionEntry(name))
        throw CCliError(QStringLiteral("No session is named \"%1\".").arg(name));
}

// Success, a Cancel and the refusals the prompts already printed, as exit statuses.
int Report(SCliContext& context, const CSessionCommands::SResult& result, const QString& name)
{
    switch (result.outcome) {
    case EOutcome::Done:
        if (result.cancelled)
            throw CCliError(QStringLiteral("Cancelled: %1 songs of \"%2\" were stored.")
                                .arg(result.stored)
                                .arg(name));
        context.out << name << '\t' << result.stored << " songs stored";
        if (result.deleted > 0)
            context.out << ", " << result.deleted << " removed";
        context.out << Qt::endl;
        return 0;
    case EOutcome::NoFiles:
        throw CCliError(QStringLiteral("No files found; \"%1\" was left as it was.").arg(name));
    case EOutcome::Abandoned:
        throw CCliError(QStringLiteral("Nothing was changed (answer the question with --yes)."));
    case EOutcome::InvalidPath:
    case EOutcome::Failed:
        return 1;
    }
    return 1;
}

int AddSession(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 2, QStringLiteral("add-session NAME DIR"));
    SSessionCli cli(context);
    const QString name = context.args.at(0);
    if (name.isEmpty())
        throw CCliError(QStringLiteral("Please, Choose a name!"));
    return Report(context, cli.commands.AddSession(name, context.args.at(1)), name);
}

int UpdateSession(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 1, QStringLiteral("update-session NAME"));
    const QString name = context.args.at(0);
    SSessionCli cli(context, name);
    RequireSession(cli, name);
    return Report(context, cli.commands.UpdateSession(), name);
}

int RenameSession(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 2, QStringLiteral("rename-session OLD NEW"));
    const QString from = context.args.at(0);
    const QString to = context.args.at(1);
    SSessionCli cli(context, from);
    RequireSession(cli, from);
    if (to.isEmpty())
        throw CCliError(CSessionNameDialog::EmptyNameText());
    if (cli.commands.RenameSessionTo(from, to).outcome == EOutcome::Failed)
        return 1;
    return 0;
}

int DeleteSession(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 1, QStringLiteral("delete-session NAME"));
    const QString name = context.args.at(0);
    SSessionCli cli(context, name);
    RequireSession(cli, name);
    const CSessionCommands::SResult result = cli.commands.DeleteSession();
    if (result.outcome != EOutcome::Done)
        return Report(context, result, name);
    context.out << name << '\t' << result.deleted << " songs removed" << Qt::endl;
    return 0;
}

int Songs(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 1, QStringLiteral("songs SESSION"));
    const QString name = context.args.at(0);
    SSessionCli cli(context, name);
    RequireSession(cli, name);
    CCdlistSet& set = context.set;
    set.SetSort(ESongColumn::ID);
    set.SetFilter(CFilter::Exactly(ESongColumn::CD, name));
    for (set.Requery(); !set.IsEOF(); set.MoveNext())
        CCommandLine::PrintSong(context.out, set);
    set.SetFilter(CFilter());
    set.Requery();
    return 0;
}

} // namespace

void RegisterSessionCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("add-session"), QStringLiteral("add-session NAME DIR"),
             QStringLiteral("Scan a CD or folder into a new session (Ctrl-C stops the scan)"),
             AddSession});
    cli.Add({QStringLiteral("update-session"), QStringLiteral("update-session NAME"),
             QStringLiteral("Scan a session's folder again, replacing its songs"), UpdateSession});
    cli.Add({QStringLiteral("rename-session"), QStringLiteral("rename-session OLD NEW"),
             QStringLiteral("Rename a session (merges with NEW when it exists)"), RenameSession});
    cli.Add({QStringLiteral("delete-session"), QStringLiteral("delete-session NAME"),
             QStringLiteral("Remove a session and its songs"), DeleteSession});
    cli.Add({QStringLiteral("songs"), QStringLiteral("songs SESSION"),
             QStringLiteral("List a session's songs, tab-separated"), Songs});
}
