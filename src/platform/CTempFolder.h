#pragma once

#include <QString>

// Where songs copied from discs are kept while they play: a folder of the program's own
// inside the system's temporary folder, so that clearing it never touches other
// programs' files.
namespace CTempFolder {
QString Path();
} // namespace CTempFolder
