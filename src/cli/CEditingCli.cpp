#include "cli/CEditingCli.h"

#include "cli/CCommandLine.h"
#include "cli/CLibraryCli.h"
#include "db/CCdlistSet.h"
#include "db/CGenres.h"
#include "editing/CLyrics.h"
#include "editing/CTagSaver.h"
#include "platform/CText.h"

#include <QFile>
#include <QRegularExpression>

namespace {

const char* const kTagUsage =
    "tag (SONG-ID... | --session NAME | --where SEARCH-OPTIONS...) [--title T] [--artist A] "
    "[--album B] [--year Y] [--genre G] [--comment C] [--track N] [--lyrics-file FILE] "
    "[--rename] [--dry-run]";
const char* const kLyricsUsage = "lyrics SONG-ID [--set FILE]";

CCliError TagUsage()
{
    return CCliError(QStringLiteral("usage: cratewise ") + QString::fromLatin1(kTagUsage));
}

// Takes "--name VALUE" when given (an empty VALUE too).
std::optional<QString> TakeGiven(QStringList& args, const QString& name)
{
    if (!args.contains(name))
        return std::nullopt;
    return CCommandLine::TakeOption(args, name);
}

SSong FindSong(SCliContext& c, const QString& usage)
{
    CCommandLine::ExpectArguments(c.args, 1, usage);
    bool ok = false;
    const qint64 id = c.args[0].toLongLong(&ok);
    const std::optional<SSong> song = ok ? c.set.FindSongById(id) : std::nullopt;
    if (!song)
        throw CCliError(QStringLiteral("there is no song %1").arg(c.args[0]));
    return *song;
}

QString Failures(const QList<CTagSaver::SFailure>& failures, const char* what)
{
    QStringList lines;
    for (const CTagSaver::SFailure& f : failures)
        lines << QStringLiteral("%1 %2 (%3)").arg(QLatin1String(what), f.path, f.reason);
    return lines.join(QStringLiteral("; "));
}

// What `tag` was asked: the songs, the fields and how.
struct STagRequest
{
    QList<qint64> ids;
    bool many = false; // Multisave: anything but one song named by its ID
    STagEdit edit;
    bool rename = false;
    bool dryRun = false;
};

// The songs named by their IDs, all of which must be there: a typing error changes nothing.
QList<qint64> NamedSongs(SCliContext& c, const QStringList& words)
{
    QList<qint64> ids;
    QStringList missing;
    for (const QString& word : words) {
        bool ok = false;
        const qint64 id = word.toLongLong(&ok);
        if (!ok || !c.set.FindSongById(id))
            missing << word;
        ids << id;
    }
    if (!missing.isEmpty())
        throw CCliError(QStringLiteral("there is no song %1; nothing was changed")
                            .arg(missing.join(QStringLiteral(", "))));
    return ids;
}

QList<qint64> SessionSongs(SCliContext& c, const QString& session)
{
    QList<qint64> ids;
    c.set.Scan(CFilter::Exactly(ESongColumn::CD, session), [&ids](const CCdlistSet::CScanRow& row) {
        ids << row.Id();
        return true;
    });
    if (ids.isEmpty())
        throw CCliError::NoSession(session);
    return ids;
}

// The songs `search` would list with the same options.
QList<qint64> FoundSongs(SCliContext& c, QStringList search)
{
    SSearchOptions options = SSearchOptions::FromSettings();
    const SSearchCriteria criteria = TakeSearchCriteria(search, options);
    if (!search.isEmpty())
        throw CCliError(QStringLiteral("--where takes the options of search only, not \"%1\"")
                            .arg(search.first()));
    // Without a condition every song would be found: one forgotten word would retag the
    // whole catalogue.
    if (CSearch::IsEverything(criteria))
        throw CCliError(QStringLiteral("--where needs at least one search option"));
    QList<qint64> ids;
    CSearch::Run(c.set, criteria, options,
                 [&ids](const CCdlistSet::CScanRow& row) { ids << row.Id(); });
    if (ids.isEmpty())
        throw CCliError(QStringLiteral("no song matches; nothing was changed"));
    return ids;
}

// Multisave writes neither a title nor a track number into many songs, and leaves a field
// that is empty as it was: refused here rather than passed over without a word.
void CheckForMany(const STagEdit& edit)
{
    if (edit.title || edit.track)
        throw CCliError(QStringLiteral("--title and --track are for one song: name it by its ID"));
    const std::pair<const char*, const std::optional<QString>*> fields[] = {
        {"--artist", &edit.artist}, {"--album", &edit.album},     {"--year", &edit.year},
        {"--genre", &edit.genre},   {"--comment", &edit.comment}, {"--lyrics-file", &edit.lyrics}};
    for (const auto& [name, value] : fields)
        if (*value && (*value)->isEmpty())
            throw CCliError(QStringLiteral("an empty %1 changes nothing in several songs (as in "
                                           "Multisave); nothing was changed")
                                .arg(QLatin1String(name)));
}

STagEdit TakeEdit(QStringList& args)
{
    STagEdit edit;
    edit.title = TakeGiven(args, QStringLiteral("--title"));
    edit.artist = TakeGiven(args, QStringLiteral("--artist"));
    edit.album = TakeGiven(args, QStringLiteral("--album"));
    edit.year = TakeGiven(args, QStringLiteral("--year"));
    edit.genre = TakeGiven(args, QStringLiteral("--genre"));
    edit.comment = TakeGiven(args, QStringLiteral("--comment"));
    edit.track = TakeGiven(args, QStringLiteral("--track"));
    if (const std::optional<QString> file = TakeGiven(args, QStringLiteral("--lyrics-file"))) {
        // Taken as the file has them, line ends and all.
        edit.lyrics = CCommandLine::ReadText(*file);
        if (edit.lyrics->size() > CLyrics::kMaxLength)
            throw CCliError(QStringLiteral("the lyrics are longer than %1 characters")
                                .arg(CLyrics::kMaxLength));
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]{0,4}$"));
    if (edit.year && !digits.match(*edit.year).hasMatch())
        throw CCliError(QStringLiteral("the year is at most four digits"));
    static const QRegularExpression number(QStringLiteral("^([0-9]{1,3}(/[0-9]{1,3})?)?$"));
    if (edit.track && !number.match(*edit.track).hasMatch())
        throw CCliError(QStringLiteral("the track is a number, or a number and a total (3/12)"));
    if (edit.genre && *edit.genre == QLatin1String(CGenres::kNone))
        edit.genre = QString();
    return edit;
}

STagRequest TakeTagRequest(SCliContext& c)
{
    STagRequest request;
    // The search options follow --where to the end: four of them share a name with a field.
    QStringList search;
    const qsizetype where = c.args.indexOf(QStringLiteral("--where"));
    if (where >= 0) {
        search = c.args.mid(where + 1);
        c.args.resize(where);
    }
    request.edit = TakeEdit(c.args);
    request.rename = CCommandLine::TakeFlag(c.args, QStringLiteral("--rename"));
    request.dryRun = CCommandLine::TakeFlag(c.args, QStringLiteral("--dry-run"));
    const std::optional<QString> session = TakeGiven(c.args, QStringLiteral("--session"));
    for (const QString& word : std::as_const(c.args))
        if (word.startsWith(QLatin1String("--")))
            throw CCliError(
                QStringLiteral("unknown option %1 (search options follow --where)").arg(word));
    if (int(!c.args.isEmpty()) + int(bool(session)) + int(where >= 0) != 1)
        throw TagUsage();
    if (session)
        request.ids = SessionSongs(c, *session);
    else if (where >= 0)
        request.ids = FoundSongs(c, search);
    else
        request.ids = NamedSongs(c, c.args);
    request.many = session || where >= 0 || c.args.size() > 1;
    if (request.many) {
        CheckForMany(request.edit);
        if (request.edit.IsEmpty() && !request.rename)
            throw CCliError(QStringLiteral("nothing to change: give a field or --rename"));
    }
    return request;
}

// What a column would become: the old and the new text (the lyrics by their length).
QString ColumnChange(ESongColumn column, const QString& from, const QString& to)
{
    const QString name = QLatin1String(CSongColumns::Name(column));
    if (column == ESongColumn::LYRICS)
        return QStringLiteral("%1: %2 -> %3 characters").arg(name).arg(from.size()).arg(to.size());
    return QStringLiteral("%1: %2 -> %3").arg(name, CText::Printable(from), CText::Printable(to));
}

// --dry-run: a line per song with what its record would take, or why it would be refused.
int DryRun(SCliContext& c, const STagRequest& request)
{
    CTagSaver saver(c.doc, c.services);
    const auto mode = request.many ? CTagSaver::EMode::Multi : CTagSaver::EMode::Single;
    int refused = 0, changed = 0;
    for (const CTagSaver::SPlanned& p :
         saver.Plan(request.ids, request.edit, mode, request.rename)) {
        c.out << p.before.m_ID << '\t' << CText::Printable(p.path);
        if (!p.refused.isEmpty()) {
            ++refused;
            c.out << "\trefused: " << p.refused << '\n';
            continue;
        }
        QStringList changes;
        for (const auto& [column, value] : p.record.columns)
            if (p.before.Text(column) != value)
                changes << ColumnChange(column, p.before.Text(column), value);
        if (request.edit.track && !request.many)
            changes << QStringLiteral("track (file only): %1").arg(*request.edit.track);
        if (p.readOnly) {
            ++refused;
            changes << QStringLiteral("read-only medium: only the catalogue would change");
        }
        changed += changes.isEmpty() ? 0 : 1;
        c.out << '\t' << (changes.isEmpty() ? QStringLiteral("as it is") : changes.join(u'\t'))
              << '\n';
    }
    c.err << changed << (changed == 1 ? " song" : " songs") << " would change, " << refused
          << " would be refused; nothing was changed" << Qt::endl;
    return refused > 0 ? 1 : 0;
}

// Today's output for one song named by its ID: the song as saved, or the one-line reason.
int TagOne(SCliContext& c, const STagRequest& request)
{
    const qint64 id = request.ids.first();
    const CTagSaver::SOutcome outcome =
        CTagSaver(c.doc, c.services)
            .Save({id}, request.edit, CTagSaver::EMode::Single, request.rename);
    if (outcome.failed)
        throw CCliError(QStringLiteral("the song was not changed"));
    if (const std::optional<SSong> saved = c.set.FindSongById(id))
        CCommandLine::PrintSong(c.out, *saved);
    QStringList problems;
    for (const CTagSaver::SFailure& f : outcome.unwritten)
        problems << Failures({f}, "the tag was not written into") +
                        (f.recordChanged ? QStringLiteral(", only the database was changed")
                                         : QStringLiteral(", so neither it nor its record was "
                                                          "changed"));
    if (!outcome.notRenamed.isEmpty())
        problems << Failures(outcome.notRenamed, "could not rename");
    if (!problems.isEmpty())
        throw CCliError(problems.join(QStringLiteral("; ")));
    return 0;
}

// Multisave over many songs: a line on stderr per song not written as asked, a summary on
// stdout, and exit status 1 when any song was refused or the run was stopped.
int TagMany(SCliContext& c, const STagRequest& request)
{
    CTagSaver saver(c.doc, c.services);
    saver.NameFailuresAtEnd(false); // the summary names them
    const CTagSaver::SOutcome outcome =
        saver.Save(request.ids, request.edit, CTagSaver::EMode::Multi, request.rename);
    int readOnly = 0;
    for (const CTagSaver::SFailure& f : outcome.unwritten) {
        readOnly += f.recordChanged ? 1 : 0;
        c.err << (f.recordChanged ? "only the catalogue was changed: " : "refused: ")
              << CText::Printable(f.path) << ": " << f.reason << Qt::endl;
    }
    for (const CTagSaver::SFailure& f : outcome.notRenamed)
        c.err << "not renamed: " << CText::Printable(f.path) << ": " << f.reason << Qt::endl;
    const qsizetype total = request.ids.size();
    const qsizetype refused = outcome.unwritten.size() - readOnly;
    const qsizetype written = outcome.saved - readOnly;
    const qsizetype untouched = total - outcome.saved - refused;
    c.out << written << " of " << total << ' ' << CText::SongWord(total) << " written";
    if (readOnly > 0)
        c.out << ", " << readOnly << " in the catalogue only (read-only medium)";
    if (refused > 0)
        c.out << ", " << refused << " refused";
    if (!outcome.notRenamed.isEmpty())
        c.out << ", " << outcome.notRenamed.size() << " not renamed";
    if (untouched > 0)
        c.out << ", " << untouched << " not reached";
    c.out << Qt::endl;
    if (outcome.failed)
        throw CCliError(QStringLiteral("the catalogue refused a change; the songs not reached "
                                       "were left as they were"));
    if (outcome.cancelled)
        throw CCliError(QStringLiteral("stopped: the songs not reached were left as they were"));
    if (refused + readOnly + outcome.notRenamed.size() > 0)
        throw CCliError(QStringLiteral("%1 of %2 songs were not written as asked (see above)")
                            .arg(refused + readOnly + outcome.notRenamed.size())
                            .arg(total));
    return 0;
}

int Tag(SCliContext& c)
{
    const STagRequest request = TakeTagRequest(c);
    if (request.dryRun)
        return DryRun(c, request);
    return request.many ? TagMany(c, request) : TagOne(c, request);
}

int Lyrics(SCliContext& c)
{
    const QString usage = QString::fromLatin1(kLyricsUsage);
    const std::optional<QString> from = TakeGiven(c.args, QStringLiteral("--set"));
    const SSong song = FindSong(c, usage);
    if (!from) {
        QString text = song.m_LYRICS;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (text.endsWith(u'\n'))
            text.chop(1);
        if (text.isEmpty())
            return 0;
        for (const QString& line : text.split(u'\n'))
            c.out << CText::Printable(line) << '\n';
        return 0;
    }
    // Taken as the file has them, line ends and all.
    const QString lyrics = CCommandLine::ReadText(*from);
    if (lyrics.size() > CLyrics::kMaxLength)
        throw CCliError(
            QStringLiteral("the lyrics are longer than %1 characters").arg(CLyrics::kMaxLength));
    bool stored = false;
    const QString why = CLyrics::Save(c.doc, c.services, song.m_ID, lyrics, stored);
    if (!stored)
        throw CCliError(QStringLiteral("the lyrics were not stored"));
    if (!why.isEmpty())
        throw CCliError(QStringLiteral("the lyrics were not written into %1 (%2), only the "
                                       "database was changed")
                            .arg(song.FilePath(), why));
    return 0;
}

} // namespace

void RegisterEditingCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("tag"),
             QString::fromLatin1(kTagUsage),
             QStringLiteral("writes the fields given into the files and records of the songs "
                            "named, of a session or of those the search options after --where "
                            "find (several songs as Multisave saves them); --rename renames "
                            "them after the formatting string; --dry-run lists what would change"),
             Tag,
             false,
             {},
             QStringLiteral(
                 "The options after --where are those of search and end the command line. "
                 "--lyrics-file takes the lyrics from a UTF-8 file (- for standard input). "
                 "One song named by its ID is saved as Save saves it: an empty value clears the "
                 "field, and the song is printed. Several songs are saved as Multisave saves "
                 "them, with the same core: --title and --track are refused, and so is an empty "
                 "value; a file and its record change together or not at all. "
                 "Progress is drawn on a terminal, and Ctrl-C stops after the song being saved "
                 "(the songs not reached keep file and record as they were). A summary goes to "
                 "standard output; each song refused (file and record left as they were), on a "
                 "read-only medium (the record alone changed) or not renamed is named on "
                 "standard error, and the exit status is 1 when there was any. --dry-run "
                 "prints one line per song: ID, file, then what its record would take (COLUMN: "
                 "old -> new) or why it would be refused; it changes nothing, and exits 1 when a "
                 "song would be refused.")});
    cli.Add({QStringLiteral("lyrics"), QString::fromLatin1(kLyricsUsage),
             QStringLiteral("prints a song's lyrics, or saves a file's text as its lyrics"),
             Lyrics});
}
