#pragma once

#include <QString>

// Messages of the session commands, shared by the window and the command line.
namespace CSessionTexts {

inline QString EmptyName()
{
    return QStringLiteral("Please, Enter a Session Name.");
}

// Shown at the start after the program died while reading a file.
inline QString Crashed(const QString& file)
{
    return QStringLiteral("Cratewise encountered a critical error when trying to add the "
                          "file:\n%1\nRemove it or move it to another location before trying "
                          "to add files again.")
        .arg(file);
}

} // namespace CSessionTexts
