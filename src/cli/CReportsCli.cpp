#include "cli/CReportsCli.h"

#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "db/CFilter.h"
#include "model/CCdlistDoc.h"
#include "platform/CText.h"
#include "playlist/CM3uFile.h"
#include "playlist/CPlaylistLoader.h"
#include "reports/CDuplicateFinder.h"
#include "reports/CHtmlExport.h"
#include "reports/CReportTexts.h"
#include "reports/CStatistics.h"

#include <QJsonArray>

namespace {

const char* const kHtmlUsage =
    "export-html FILE [--source PLAYLIST.m3u|session NAME|all] [--id3 [--detailed]] [--links] "
    "[--full-path] [--sort file|artist|album] [--numbers] [--headline H] [--name N]";

QList<qint64> PlaylistIds(SCliContext& c, const QString& file)
{
    QList<qint64> ids;
    CPlaylistLoader(c.set, c.prompts)
        .Load(CCommandLine::ReadPlaylist(file), [&](const SSong& song) { ids << song.m_ID; });
    return ids;
}

void TakeSource(SCliContext& c, SHtmlOptions& o)
{
    const qsizetype at = c.args.indexOf(QStringLiteral("--source"));
    o.source = SHtmlOptions::ESource::Database;
    if (at < 0)
        return;
    if (at + 1 >= c.args.size())
        throw CCliError(QStringLiteral("usage: cratewise ") + QString::fromLatin1(kHtmlUsage));
    const QString value = c.args[at + 1];
    qsizetype taken = 2;
    if (value == QLatin1String("session")) {
        if (at + 2 >= c.args.size())
            throw CCliError(QStringLiteral("--source session needs the session's name"));
        o.source = SHtmlOptions::ESource::Session;
        o.session = c.args[at + 2];
        taken = 3;
    } else if (value != QLatin1String("all")) {
        o.source = SHtmlOptions::ESource::Playlist;
        o.playlist = PlaylistIds(c, value);
    }
    c.args.remove(at, taken);
}

int ExportHtml(SCliContext& c)
{
    SHtmlOptions o;
    TakeSource(c, o);
    o.id3 = CCommandLine::TakeFlag(c.args, QStringLiteral("--id3"));
    o.detailed = CCommandLine::TakeFlag(c.args, QStringLiteral("--detailed"));
    o.links = CCommandLine::TakeFlag(c.args, QStringLiteral("--links"));
    o.fullPath = CCommandLine::TakeFlag(c.args, QStringLiteral("--full-path"));
    o.numbers = CCommandLine::TakeFlag(c.args, QStringLiteral("--numbers"));
    o.headline = CCommandLine::TakeOption(c.args, QStringLiteral("--headline"));
    o.name = CCommandLine::TakeOption(c.args, QStringLiteral("--name"));
    const QString sort = CCommandLine::TakeOption(c.args, QStringLiteral("--sort"));
    if (sort == QLatin1String("artist"))
        o.sort = SHtmlOptions::ESort::Artist;
    else if (sort == QLatin1String("album"))
        o.sort = SHtmlOptions::ESort::Album;
    else if (!sort.isEmpty() && sort != QLatin1String("file"))
        throw CCliError(QStringLiteral("--sort takes file, artist or album"));
    CCommandLine::ExpectArguments(c.args, 1, QString::fromLatin1(kHtmlUsage));
    // As the window, where Detailed Information needs the tag columns.
    if (o.detailed && !o.id3)
        throw CCliError(QStringLiteral("--detailed needs --id3"));
    if (o.source == SHtmlOptions::ESource::Session &&
        c.set.Count(CFilter::Exactly(ESongColumn::CD, o.session)) == 0)
        throw CCliError::NoSession(o.session);
    QString error;
    int songs = 0;
    if (!CHtmlExport(c.doc).Write(c.args[0], o, error, &songs))
        throw CCliError(error.replace(u'\n', QStringLiteral(": ")));
    c.err << songs << (songs == 1 ? " song" : " songs") << " written to "
          << CText::Printable(c.args[0]) << Qt::endl;
    return 0;
}

// The figures by name; a top song by its LIST and play count (USE), only songs played;
// the exact bit rates by BITRATE, as the catalogue's columns are named.
QJsonObject StatsJson(const SStatistics& s)
{
    QJsonArray top;
    for (int i = 0; i < s.TopPlayed(); ++i)
        top.append(QJsonObject{{QStringLiteral("LIST"), s.top[size_t(i)].name},
                               {QStringLiteral("USE"), s.top[size_t(i)].plays}});
    QJsonArray bitrates;
    for (const auto& [rate, songs] : s.bitrates)
        bitrates.append(
            QJsonObject{{QStringLiteral("BITRATE"), rate}, {QStringLiteral("songs"), songs}});
    return {{QStringLiteral("songs"), s.songs},
            {QStringLiteral("sessions"), s.sessions},
            {QStringLiteral("songsPlayed"), s.timesUsed},
            {QStringLiteral("songsAddedToPlaylists"), s.playlistUsed},
            {QStringLiteral("averageDuration"), s.averageSeconds},
            {QStringLiteral("averageBitrate"), s.averageBitrate},
            {QStringLiteral("top"), top},
            {QStringLiteral("bitrates"), bitrates}};
}

int Stats(SCliContext& c)
{
    const bool json = CCommandLine::TakeJson(c.args);
    CCommandLine::ExpectArguments(c.args, 0, QStringLiteral("stats [--json]"));
    c.doc.ReloadSessions();
    if (c.doc.SongCount() <= 0)
        throw CCliError(CReportTexts::EmptyStatistics());
    const SStatistics s = CStatistics::Compute(c.doc);
    if (json) {
        CCommandLine::PrintJson(c.out, QJsonDocument(StatsJson(s)));
        return 0;
    }
    c.out << "Songs:\t" << s.songs << '\n'
          << "Sessions:\t" << s.sessions << '\n'
          << "Songs played:\t" << s.timesUsed << '\n'
          << "Songs added to playlists:\t" << s.playlistUsed << '\n'
          << "Average song length:\t" << s.averageLength << '\n'
          << "Average bit rate:\t" << s.averageBitrate << " kbps\n";
    // As the window shows them: songs played only, bit rates at the usual steps.
    for (int i = 0; i < s.TopPlayed(); ++i)
        c.out << (i + 1) << ".\t" << CText::Printable(s.top[size_t(i)].name) << '\t'
              << s.top[size_t(i)].plays << '\n';
    for (const SBitrateStep& step : CStatistics::BitrateSteps(s.bitrates))
        c.out << "Bit rate " << step.label << ":\t" << step.songs << '\n';
    return 0;
}

int Duplicates(SCliContext& c)
{
    const bool json = CCommandLine::TakeJson(c.args);
    CCommandLine::ExpectArguments(c.args, 0, QStringLiteral("duplicates [--json]"));
    CDuplicateFinder finder(c.doc);
    if (finder.Total() == 0)
        throw CCliError(CReportTexts::EmptyDuplicates());
    // The finder lists each group once in a round, and one round is walked here.
    qint64 shown = 0;
    QJsonArray groups;
    for (CDuplicateFinder::EStep step;
         (step = finder.Next()) != CDuplicateFinder::EStep::Finished;) {
        if (step != CDuplicateFinder::EStep::Group)
            continue;
        if (shown++ > 0 && !json)
            c.out << '\n';
        QJsonArray group;
        for (const CDuplicateFinder::SEntry& entry : finder.Group()) {
            if (!json) {
                c.out << entry.id << '\t' << CText::Printable(entry.file) << '\t' << entry.size
                      << '\n';
                continue;
            }
            // The size is null for a file that cannot be opened.
            bool known = false;
            const qint64 size = entry.size.toLongLong(&known);
            group.append(
                QJsonObject{{QStringLiteral("ID"), entry.id},
                            {QStringLiteral("file"), entry.file},
                            {QStringLiteral("size"), known ? QJsonValue(size) : QJsonValue::Null}});
        }
        if (json)
            groups.append(group);
    }
    if (json)
        CCommandLine::PrintJson(c.out, QJsonDocument(groups));
    if (shown == 0)
        c.err << CReportTexts::NoDuplicates() << Qt::endl;
    else
        c.err << shown << (shown == 1 ? " group" : " groups") << " of duplicates" << Qt::endl;
    return 0;
}

} // namespace

void RegisterReportCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("export-html"), QString::fromLatin1(kHtmlUsage),
             QStringLiteral("writes the songs of a playlist, a session or the whole catalogue "
                            "as a web page"),
             ExportHtml, true});
    cli.Add({QStringLiteral("stats"), QStringLiteral("stats [--json]"),
             QStringLiteral("totals, averages, the five most played songs (only songs played) "
                            "and songs per usual bit rate (--json: one object; averageDuration "
                            "in seconds, bit rates exact)"),
             Stats, true});
    cli.Add({QStringLiteral("duplicates"), QStringLiteral("duplicates [--json]"),
             QStringLiteral("every group of songs with the same file name or title, one block "
                            "per group: ID, file, size (--json: an array of groups, each an "
                            "array of {ID, file, size})"),
             Duplicates, true});
}
