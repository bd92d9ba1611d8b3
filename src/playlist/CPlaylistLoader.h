#pragma once

#include "db/SSong.h"
#include "playlist/CM3uFile.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class CCdlistSet;
class CPrompts;

// Finds the songs a playlist file names among the songs already catalogued.
class CPlaylistLoader
{
public:
    CPlaylistLoader(CCdlistSet& set, CPrompts& prompts) : m_set(set), m_prompts(prompts) {}

    // Looks every line up in order; for each song found, `found` is called with it. A line
    // not found shows the silenceable "couldn't be found" warning. Returns the number of
    // songs found.
    int Load(const QList<SM3uLine>& lines, const std::function<void(const SSong&)>& found);

    // The song at the line's folder and name (ignoring case); of several, the first by
    // file name.
    std::optional<SSong> Find(const SM3uLine& line);

    static QString NotFoundText(const QString& name);

private:
    CCdlistSet& m_set;
    CPrompts& m_prompts;
};
