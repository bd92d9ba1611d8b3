#include "cli/CSessionCli.h"

#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "intake/CSessionOperations.h"
#include "intake/CSessionTexts.h"
#include "model/CCdlistDoc.h"
#include "platform/CText.h"

#include <QJsonArray>

namespace {

using EOutcome = CSessionOperations::EOutcome;

// The session list is loaded only by the commands that name a session.
void RequireSession(const SCliContext& context, const QString& name)
{
    context.doc.ReloadSessions();
    if (!context.doc.Sessions().Contains(name))
        throw CCliError(QStringLiteral("No session is named \"%1\".").arg(name));
}

CSessionOperations Operations(SCliContext& context)
{
    return CSessionOperations(context.doc, context.services);
}

// Success, a Cancel and the refusals, as exit statuses; the causes the prompts did not
// print are named here.
int Report(SCliContext& context, const CSessionOperations::SResult& result, const QString& name)
{
    switch (result.outcome) {
    case EOutcome::Done:
        // Every file that was found but not stored is named, so the figures add up.
        for (const CSessionOperations::SSkipped& skipped : result.skipped)
            context.err << (skipped.folder ? "skipped folder: " : "skipped: ")
                        << CText::Printable(skipped.path) << ": " << skipped.reason << Qt::endl;
        if (result.cancelled)
            throw CCliError(result.cancelNote);
        context.out << CText::Printable(name) << '\t' << result.stored << ' '
                    << CText::SongWord(result.stored) << " stored";
        if (result.SkippedFiles() > 0)
            context.out << ", " << result.SkippedFiles() << " skipped of " << result.found
                        << " found";
        if (result.deleted > 0)
            context.out << ", " << result.deleted << " removed";
        if (result.present > 0)
            context.out << ", " << result.present << " already there";
        // A folder that could not be read hides files nobody counted: it is said so.
        if (const auto folders = std::count_if(result.skipped.begin(), result.skipped.end(),
                                               [](const auto& s) { return s.folder; }))
            context.out << ", " << folders << (folders == 1 ? " folder" : " folders")
                        << " not read";
        context.out << Qt::endl;
        if (!result.passedOver.isEmpty())
            context.err << CSessionTexts::PassedOver(result.passedOver) << Qt::endl;
        return 0;
    case EOutcome::NoFiles:
        throw CCliError(QStringLiteral("No files found; \"%1\" was left as it was.").arg(name));
    case EOutcome::Abandoned:
        throw CCliError(QStringLiteral("Nothing was changed (answer the question with --yes)."));
    case EOutcome::NoFolder:
        throw CCliError(
            QStringLiteral("The folder to scan is empty: give it as add-session NAME DIR."));
    case EOutcome::NoRecordedFolder:
        throw CCliError(
            QStringLiteral("No folder is recorded for \"%1\", and the command line cannot choose "
                           "one. Record one by scanning it: delete-session \"%1\", then "
                           "add-session \"%1\" DIR.")
                .arg(name));
    case EOutcome::InvalidPath:
    case EOutcome::Failed:
        return 1;
    }
    return 1;
}

int AddSession(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 2, QStringLiteral("add-session NAME DIR"));
    const QString name = context.args.at(0);
    if (name.isEmpty())
        throw CCliError(QStringLiteral("Please choose a name."));
    return Report(context, Operations(context).AddSession(name, context.args.at(1)), name);
}

int UpdateSession(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 1, QStringLiteral("update-session NAME"));
    const QString name = context.args.at(0);
    RequireSession(context, name);
    return Report(context, Operations(context).UpdateSession(name), name);
}

int RenameSession(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 2, QStringLiteral("rename-session OLD NEW"));
    const QString from = context.args.at(0);
    const QString to = context.args.at(1);
    RequireSession(context, from);
    if (to.isEmpty())
        throw CCliError(CSessionTexts::EmptyName());
    const CSessionOperations::SResult result = Operations(context).RenameSession(from, to);
    if (result.outcome != EOutcome::Done && from != to)
        return result.outcome == EOutcome::Failed ? 1 : Report(context, result, to);
    return 0;
}

int DeleteSession(SCliContext& context)
{
    CCommandLine::ExpectArguments(context.args, 1, QStringLiteral("delete-session NAME"));
    const QString name = context.args.at(0);
    RequireSession(context, name);
    const CSessionOperations::SResult result = Operations(context).DeleteSession(name);
    if (result.outcome != EOutcome::Done)
        return Report(context, result, name);
    context.out << CText::Printable(name) << '\t' << result.deleted << ' '
                << CText::SongWord(result.deleted) << " removed" << Qt::endl;
    return 0;
}

const QString kSongsUsage = QStringLiteral("songs SESSION [--json]");

int Songs(SCliContext& context)
{
    const bool json = CCommandLine::TakeJson(context.args);
    CCommandLine::ExpectArguments(context.args, 1, kSongsUsage);
    const QString name = context.args.at(0);
    RequireSession(context, name);
    QJsonArray songs;
    context.set.Walk(CFilter::Exactly(ESongColumn::CD, name), [&](const SSong& song) {
        if (json)
            songs.append(CCommandLine::SongJson(song));
        else
            CCommandLine::PrintSong(context.out, song);
        return true;
    });
    if (json)
        CCommandLine::PrintJson(context.out, QJsonDocument(songs));
    return 0;
}

} // namespace

void RegisterSessionCommands(CCommandLine& cli)
{
    cli.Add({.name = QStringLiteral("add-session"),
             .usage = QStringLiteral("add-session NAME DIR"),
             .summary =
                 QStringLiteral("Scan a CD or folder into a new session (Ctrl-C stops the scan)"),
             .run = AddSession,
             .catalogue = SCliCommand::ECatalogue::MayCreate});
    cli.Add({QStringLiteral("update-session"), QStringLiteral("update-session NAME"),
             QStringLiteral("Scan a session's folder again, replacing its songs"), UpdateSession});
    cli.Add({QStringLiteral("rename-session"), QStringLiteral("rename-session OLD NEW"),
             QStringLiteral("Rename a session (merges with NEW when it exists)"), RenameSession});
    cli.Add({QStringLiteral("delete-session"), QStringLiteral("delete-session NAME"),
             QStringLiteral("Remove a session and its songs"), DeleteSession});
    cli.Add({QStringLiteral("songs"), kSongsUsage,
             QStringLiteral("List a session's songs, tab-separated (--json: an array of songs)"),
             Songs, true});
}
