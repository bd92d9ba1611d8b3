#include "cli/CLibraryCli.h"

#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "db/CGenres.h"
#include "library/CSearch.h"

namespace {

const QString kSearchUsage =
    QStringLiteral("search [--fast] [--title T] [--artist A] [--album B] [--file F] "
                   "[--genre G] [--all X]");

int Search(SCliContext& c)
{
    SSearchOptions options = SSearchOptions::FromSettings();
    const SSearchCriteria criteria = TakeSearchCriteria(c.args, options);
    CCommandLine::ExpectArguments(c.args, 0, kSearchUsage);
    CSearch::Run(c.set, criteria, options,
                 [&c](const SSong& song) { CCommandLine::PrintSong(c.out, song); });
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
    return criteria;
}

void RegisterLibraryCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("search"), kSearchUsage,
             QStringLiteral("lists the songs that match, as the Search button finds them (the "
                            "FastSearch, Case and SearchOnPath options apply; --fast forces the "
                            "fast search)"),
             Search, true});
}
