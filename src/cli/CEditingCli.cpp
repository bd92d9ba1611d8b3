#include "cli/CEditingCli.h"

#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "db/CGenres.h"
#include "editing/CLyrics.h"
#include "editing/CTagSaver.h"
#include "platform/CText.h"

#include <QFile>
#include <QRegularExpression>

namespace {

const char* const kTagUsage =
    "tag SONG-ID [--title T] [--artist A] [--album B] [--year Y] [--genre G] [--comment C] "
    "[--track N] [--rename]";
const char* const kLyricsUsage = "lyrics SONG-ID [--set FILE]";

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

int Tag(SCliContext& c)
{
    const QString usage = QString::fromLatin1(kTagUsage);
    const std::optional<QString> title = TakeGiven(c.args, QStringLiteral("--title"));
    const std::optional<QString> artist = TakeGiven(c.args, QStringLiteral("--artist"));
    const std::optional<QString> album = TakeGiven(c.args, QStringLiteral("--album"));
    const std::optional<QString> year = TakeGiven(c.args, QStringLiteral("--year"));
    const std::optional<QString> genre = TakeGiven(c.args, QStringLiteral("--genre"));
    const std::optional<QString> comment = TakeGiven(c.args, QStringLiteral("--comment"));
    const std::optional<QString> track = TakeGiven(c.args, QStringLiteral("--track"));
    const bool rename = CCommandLine::TakeFlag(c.args, QStringLiteral("--rename"));
    const SSong song = FindSong(c, usage);
    static const QRegularExpression digits(QStringLiteral("^[0-9]{0,4}$"));
    if (year && !digits.match(*year).hasMatch())
        throw CCliError(QStringLiteral("the year is at most four digits"));
    // Only what is given is written; the rest stays as file and record have it.
    static const QRegularExpression number(QStringLiteral("^([0-9]{1,3}(/[0-9]{1,3})?)?$"));
    if (track && !number.match(*track).hasMatch())
        throw CCliError(QStringLiteral("the track is a number, or a number and a total (3/12)"));
    STagEdit edit{title, artist, album, year, genre, comment, std::nullopt, track};
    if (genre && *genre == QLatin1String(CGenres::kNone))
        edit.genre = QString();
    const CTagSaver::SOutcome outcome =
        CTagSaver(c.doc, c.services).Save({song.m_ID}, edit, CTagSaver::EMode::Single, rename);
    if (outcome.failed)
        throw CCliError(QStringLiteral("the song was not changed"));
    if (const std::optional<SSong> saved = c.set.FindSongById(song.m_ID))
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
    cli.Add({QStringLiteral("tag"), QString::fromLatin1(kTagUsage),
             QStringLiteral("writes a song's tag fields into its file and record (and renames "
                            "it after the formatting string)"),
             Tag});
    cli.Add({QStringLiteral("lyrics"), QString::fromLatin1(kLyricsUsage),
             QStringLiteral("prints a song's lyrics, or saves a file's text as its lyrics"),
             Lyrics});
}
