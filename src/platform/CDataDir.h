#pragma once

#include <QString>

// Where the program keeps its database, the older databases it offers to carry over
// and readme.txt: --data-dir, else $CRATEWISE_HOME, else the current directory when it
// holds songs3.mdb, else ~/.local/share/Quillfen/Cratewise (created on first start).
namespace CDataDir {
// The folder is made unless `create` is false.
QString Resolve(const QString& commandLineDir, bool create = true);
QString DatabasePath(const QString& dataDir);
// Puts the shipped readme.txt into the data directory when it has none.
void EnsureReadme(const QString& dataDir);
} // namespace CDataDir
