#pragma once

#include <QString>

// Messages of the session commands, shared by the window and the command line.
namespace CSessionTexts {

inline QString EmptyName()
{
    return QStringLiteral("Please, Enter a Session Name.");
}

} // namespace CSessionTexts
