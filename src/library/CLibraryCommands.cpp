#include "library/CLibraryCommands.h"

#include "app/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "library/CGenres.h"
#include "library/CSearch.h"

namespace {

const QString kSearchUsage =
    QStringLiteral("search [--fast] [--title T] [--artist A] [--album B] [--file F] "
                   "[--genre G] [--all X]");

// A genre given by name ("Rock"); "(NONE)" or nothing means no genre condition.
QString GenreOption(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(CGenres::kNone))
        return {};
    const QString stored = CGenres::StoredForm(name);
    if (stored.isEmpty())
        throw CCliError(QStringLiteral("unknown genre \"%1\"").arg(name));
    return stored;
}

int Search(SCliContext& c)
{
    SSearchOptions options = SSearchOptions::FromSettings();
    if (CCommandLine::TakeFlag(c.args, QStringLiteral("--fast")))
        options.fast = true;
    SSearchCriteria criteria;
    criteria.title = CCommandLine::TakeOption(c.args, QStringLiteral("--title"));
    criteria.artist = CCommandLine::TakeOption(c.args, QStringLiteral("--artist"));
    criteria.album = CCommandLine::TakeOption(c.args, QStringLiteral("--album"));
    criteria.file = CCommandLine::TakeOption(c.args, QStringLiteral("--file"));
    criteria.all = CCommandLine::TakeOption(c.args, QStringLiteral("--all"));
    criteria.genre = GenreOption(CCommandLine::TakeOption(c.args, QStringLiteral("--genre")));
    CCommandLine::ExpectArguments(c.args, 0, kSearchUsage);
    CSearch::Run(c.set, criteria, options, [&c](const CCdlistSet::CScanRow& row) {
        c.set.LoadRecord(row);
        CCommandLine::PrintSong(c.out, c.set);
    });
    return 0;
}

} // namespace

void RegisterLibraryCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("search"), kSearchUsage,
             QStringLiteral("lists the songs that match, as the Search button finds them (the "
                            "FastSearch, Case and SearchOnPath options apply; --fast forces the "
                            "fast search)"),
             Search});
}
