#pragma once

#include "library/CSearch.h"

#include <QStringList>

class CCommandLine;

// `cratewise search`, `cratewise cover`.
void RegisterLibraryCommands(CCommandLine& cli);

// Takes the search options (--fast, --title, --artist, --album, --file, --genre, --all)
// out of a command's arguments. A genre is named ("Rock") or stored ("(17)").
SSearchCriteria TakeSearchCriteria(QStringList& args, SSearchOptions& options);
// A genre option in its stored form; "(NONE)" or nothing means no genre condition.
QString GenreOption(const QString& name);
