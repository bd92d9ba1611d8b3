#include "cli/CLibraryCli.h"

#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "db/CGenres.h"
#include "library/CCovers.h"
#include "library/CLibraryOperations.h"
#include "library/CLibraryTexts.h"
#include "library/CSearch.h"
#include "platform/CSafeTarget.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <QIODevice>
#include <QJsonArray>

namespace {

const QString kSearchUsage =
    QStringLiteral("search [--fast] [--title T] [--artist A] [--album B] [--file F] "
                   "[--genre G] [--all X] [--json]");

int Search(SCliContext& c)
{
    const bool json = CCommandLine::TakeJson(c.args);
    SSearchOptions options = SSearchOptions::FromSettings();
    const SSearchCriteria criteria = TakeSearchCriteria(c.args, options);
    CCommandLine::ExpectArguments(c.args, 0, kSearchUsage);
    QJsonArray songs;
    CSearch::Run(c.set, criteria, options, [&](const SSong& song) {
        if (json)
            songs.append(CCommandLine::SongJson(song));
        else
            CCommandLine::PrintSong(c.out, song);
    });
    if (json)
        CCommandLine::PrintJson(c.out, QJsonDocument(songs));
    return 0;
}

const QString kAccentsUsage = QStringLiteral("accents [on | off]");

// The catalogue's own switch: every program reading the file folds as it says.
int Accents(SCliContext& c)
{
    if (c.args.size() > 1)
        throw CCliError(QStringLiteral("usage: cratewise ") + kAccentsUsage);
    CDatabase& db = c.doc.Database();
    db.ReadFolding();
    if (c.args.isEmpty()) {
        c.out << (db.Folding().Accents() ? "on" : "off") << '\n';
        return 0;
    }
    const QString value = c.args[0].toLower();
    if (value != QLatin1String("on") && value != QLatin1String("off"))
        throw CCliError(QStringLiteral("usage: cratewise ") + kAccentsUsage);
    const bool on = value == QLatin1String("on");
    if (on == db.Folding().Accents())
        return 0;
    return CLibraryOperations(c.doc, c.services).SetIgnoreAccents(on) ? 0 : 1;
}

const QString kCoverUsage = QStringLiteral("cover SONG-ID --out FILE");

int Cover(SCliContext& c)
{
    const QString out = CCommandLine::TakeOption(c.args, QStringLiteral("--out"));
    CCommandLine::ExpectArguments(c.args, 1, kCoverUsage);
    if (out.isEmpty())
        throw CCliError(QStringLiteral("usage: cratewise ") + kCoverUsage);
    bool ok = false;
    const qint64 id = c.args[0].toLongLong(&ok);
    if (!ok || !c.set.FindSongById(id))
        throw CCliError(QStringLiteral("there is no song %1").arg(c.args[0]));
    const QByteArray thumbnail = CCovers(c.doc, c.services).Thumbnail(id);
    if (thumbnail.isEmpty())
        throw CCliError(CLibraryTexts::NoCover(id));
    QString error;
    const QStringList programFiles =
        CSafeTarget::ProgramFiles(c.doc.Database().Path(), CSettings::FilePath());
    const auto write = [&thumbnail](QIODevice& file) {
        return file.write(thumbnail) == thumbnail.size() ? QString() : file.errorString();
    };
    if (!CSafeTarget::WriteWhole(out, programFiles, write, error))
        throw CCliError(error.replace(u'\n', QStringLiteral(": ")));
    c.err << thumbnail.size() << " bytes written to " << CText::Printable(out) << Qt::endl;
    return 0;
}

} // namespace

QString GenreOption(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(CGenres::kNone))
        return {};
    if (name.startsWith(u'('))
        return name;
    // A genre name in any letter case, as the window's genre lists accept it.
    const QString stored = CGenres::StoredFormOfTag(name);
    if (!stored.startsWith(u'('))
        throw CCliError(QStringLiteral("unknown genre \"%1\"").arg(name));
    return stored;
}

SSearchCriteria TakeSearchCriteria(QStringList& args, SSearchOptions& options)
{
    if (CCommandLine::TakeFlag(args, QStringLiteral("--fast")))
        options.fast = true;
    SSearchCriteria criteria;
    criteria.title = CCommandLine::TakeOption(args, QStringLiteral("--title"));
    criteria.artist = CCommandLine::TakeOption(args, QStringLiteral("--artist"));
    criteria.album = CCommandLine::TakeOption(args, QStringLiteral("--album"));
    criteria.file = CCommandLine::TakeOption(args, QStringLiteral("--file"));
    criteria.all = CCommandLine::TakeOption(args, QStringLiteral("--all"));
    criteria.genre = GenreOption(CCommandLine::TakeOption(args, QStringLiteral("--genre")));
    // The window's All field searches on its own, whatever the other fields hold; here
    // the other criteria would be dropped unseen.
    if (!criteria.all.isEmpty() &&
        !(criteria.title + criteria.artist + criteria.album + criteria.file + criteria.genre)
             .isEmpty())
        throw CCliError(QStringLiteral("usage: --all searches titles, artists, albums and list "
                                       "names on its own; it cannot be combined with --title, "
                                       "--artist, --album, --file or --genre"),
                        2);
    return criteria;
}

void RegisterLibraryCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("search"), kSearchUsage,
             QStringLiteral("lists the songs that match, as the Search button finds them (the "
                            "FastSearch, Case and SearchOnPath options apply, and the "
                            "catalogue's accents switch; --fast forces the fast search; --all "
                            "looks in titles, artists, albums and names in the list; --json: an "
                            "array of songs)"),
             Search, true});
    cli.Add({QStringLiteral("accents"),
             kAccentsUsage,
             QStringLiteral("tells whether the catalogue's searches ignore accents, as they "
                            "ignore case (\"bjork\" finds \"Björk\"), or turns that on or off: "
                            "every song's search copies are made anew"),
             Accents,
             false,
             {QStringLiteral("on"), QStringLiteral("off")},
             QStringLiteral("New catalogues ignore accents; older ones keep their searches as "
                            "they were until it is turned on. Letters that do not decompose "
                            "into a base letter and accents (ø, ł, æ, ß) stay as they are.")});
    cli.Add({QStringLiteral("cover"), kCoverUsage,
             QStringLiteral("writes the cover the catalogue keeps of a song (JPEG or PNG)"), Cover,
             true});
}
