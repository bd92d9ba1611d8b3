#pragma once

#include <QString>

// Messages of the library's commands, shared by the window and the command line.
namespace CLibraryTexts {

inline QString CoverCaption()
{
    return QStringLiteral("Cover");
}

inline QString NoCover(qint64 id)
{
    return QStringLiteral("Song %1 has no cover.").arg(id);
}

inline QString CoverNotReachable()
{
    return QStringLiteral("The song's file cannot be reached now: insert its disc or stick "
                          "to see the whole picture.");
}

inline QString CoverTooltip()
{
    return QStringLiteral("Cover of the current song; click to see the whole picture");
}

inline QString AccentsCaption()
{
    return QStringLiteral("Searches Ignore Accents");
}

inline QString Refolding(bool on)
{
    return on ? QStringLiteral("Making the search copies of every song without accents...")
              : QStringLiteral("Making the search copies of every song with their accents...");
}

} // namespace CLibraryTexts
