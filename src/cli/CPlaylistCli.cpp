#include "cli/CPlaylistCli.h"

#include "cli/CCommandLine.h"
#include "cli/CLibraryCli.h"
#include "db/CCdlistSet.h"
#include "db/CGenres.h"
#include "intake/CSessionTexts.h"
#include "library/CSearch.h"
#include "media/CSongFromFile.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CSafeTarget.h"
#include "platform/CSettings.h"
#include "platform/CText.h"
#include "playlist/CM3uFile.h"
#include "playlist/CPlaylistImporter.h"
#include "playlist/CPlaylistLoader.h"
#include "playlist/CPlaylistTexts.h"
#include "playlist/CRandomDraw.h"

namespace {

const char* const kExportUsage =
    "export-m3u FILE (--session NAME | --search [--fast] [--title T] [--artist A] [--album B] "
    "[--file F] [--genre G] [--all X])";
const char* const kRandomUsage = "random [--session S] [--genre G] (--songs N | --minutes M)";

QList<qint64> SessionIds(CCdlistSet& set, const QString& session)
{
    QList<qint64> ids;
    for (const qint64 id : set.Ids(CFilter::Exactly(ESongColumn::CD, session)))
        ids << id;
    if (ids.isEmpty())
        throw CCliError::NoSession(session);
    return ids;
}

QList<qint64> SearchIds(CCdlistSet& set, QStringList& args)
{
    SSearchOptions options = SSearchOptions::FromSettings();
    const SSearchCriteria criteria = TakeSearchCriteria(args, options);
    QList<qint64> ids;
    CSearch::Run(set, criteria, options, [&](const SSong& song) { ids << song.m_ID; });
    return ids;
}

int ExportM3u(SCliContext& c)
{
    const QString usage = QString::fromLatin1(kExportUsage);
    const QString session = CCommandLine::TakeOption(c.args, QStringLiteral("--session"));
    const bool search = CCommandLine::TakeFlag(c.args, QStringLiteral("--search"));
    if (session.isEmpty() == !search)
        throw CCliError(QStringLiteral("usage: cratewise ") + usage);
    const QList<qint64> ids = search ? SearchIds(c.set, c.args) : SessionIds(c.set, session);
    CCommandLine::ExpectArguments(c.args, 1, usage);
    if (ids.isEmpty())
        throw CCliError(CPlaylistTexts::NoSongs());
    CM3uFile::SWritten written;
    QString error;
    const QStringList programFiles =
        CSafeTarget::ProgramFiles(c.doc.Database().Path(), CSettings::FilePath());
    if (!CM3uFile::Write(c.set, ids, c.args[0], programFiles, written, error))
        throw CCliError(error.replace(u'\n', QStringLiteral(": ")));
    CSettings::AddToCounter(ESetting::PlaylistUsed, written.lines);
    for (const QString& path : written.leftOut)
        c.err << "cratewise: left out, a line break in the name: " << CText::Printable(path)
              << '\n';
    c.err << written.lines << (written.lines == 1 ? " song" : " songs") << " written to "
          << CText::Printable(c.args[0]) << Qt::endl;
    return 0;
}

int LoadM3u(SCliContext& c)
{
    CCommandLine::ExpectArguments(c.args, 1, QStringLiteral("load-m3u FILE"));
    const QList<SM3uLine> lines = CCommandLine::ReadPlaylist(c.args[0]);
    CPlaylistLoader(c.set, c.prompts).Load(lines, [&](const SSong& song) {
        CCommandLine::PrintSong(c.out, song);
    });
    return 0;
}

int ImportM3u(SCliContext& c)
{
    CCommandLine::ExpectArguments(c.args, 2, QStringLiteral("import-m3u FILE NAME"));
    if (c.args[1].isEmpty())
        throw CCliError(CSessionTexts::EmptyName());
    const QList<SM3uLine> lines = CCommandLine::ReadPlaylist(c.args[0]);
    QString error;
    const std::unique_ptr<CSongFromFile> maker = CSongFromFile::Create(&error);
    if (!maker)
        throw CCliError(error);
    CPlaylistImporter importer(c.set, *maker,
                               CPlaylistImporter::DriveSearch(*c.services.volumes, c.prompts),
                               CPlaylistImporter::EGivenUp::Skip);
    const int stored = importer.Import(lines, c.args[1]);
    for (const QString& path : importer.Skipped())
        c.err << "cratewise: skipped, not found in any drive: " << CText::Printable(path) << '\n';
    if (stored == 0 && !importer.Skipped().isEmpty())
        throw CCliError(
            QStringLiteral("None of the playlist's files was found; nothing was added."));
    c.err << stored << (stored == 1 ? " song" : " songs") << " added to session "
          << CText::Printable(c.args[1]) << Qt::endl;
    return 0;
}

int Random(SCliContext& c)
{
    const QString usage = QString::fromLatin1(kRandomUsage);
    SRandomRequest request;
    request.session = CCommandLine::TakeOption(c.args, QStringLiteral("--session"));
    request.genre = GenreOption(CCommandLine::TakeOption(c.args, QStringLiteral("--genre")));
    const QString songs = CCommandLine::TakeOption(c.args, QStringLiteral("--songs"));
    const QString minutes = CCommandLine::TakeOption(c.args, QStringLiteral("--minutes"));
    CCommandLine::ExpectArguments(c.args, 0, usage);
    if (songs.isEmpty() == minutes.isEmpty())
        throw CCliError(QStringLiteral("usage: cratewise ") + usage);
    bool ok = false;
    request.bySongs = !songs.isEmpty();
    request.amount = (request.bySongs ? songs : minutes).toInt(&ok);
    if (!ok || request.amount < 0 || request.amount > 1900)
        throw CCliError(QStringLiteral("the amount must be a number from 0 to 1900"));
    if (c.set.CountAll() <= 0)
        throw CCliError(QStringLiteral("The database is empty!"));
    CRandomDraw draw(c.set);
    const CRandomDraw::EResult result = draw.Draw(
        request, [] {}, [&](const SSong& song) { CCommandLine::PrintSong(c.out, song); });
    if (result == CRandomDraw::EResult::NoCandidates)
        throw CCliError(CPlaylistTexts::NoCandidates());
    if (result == CRandomDraw::EResult::Short)
        c.err << "cratewise: " << CPlaylistTexts::Short(draw, request) << '\n';
    return 0;
}

} // namespace

void RegisterPlaylistCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("export-m3u"), QString::fromLatin1(kExportUsage),
             QStringLiteral("writes a session or a search result as an .m3u playlist"), ExportM3u,
             true});
    cli.Add({QStringLiteral("load-m3u"), QStringLiteral("load-m3u FILE"),
             QStringLiteral("lists the catalogued songs a playlist names"), LoadM3u, true});
    cli.Add({.name = QStringLiteral("import-m3u"),
             .usage = QStringLiteral("import-m3u FILE NAME"),
             .summary = QStringLiteral("adds the files a playlist names as a new session"),
             .run = ImportM3u,
             .catalogue = SCliCommand::ECatalogue::MayCreate});
    cli.Add({QStringLiteral("random"), QString::fromLatin1(kRandomUsage),
             QStringLiteral("draws songs at random, by number or by playing time"), Random, true});
}
