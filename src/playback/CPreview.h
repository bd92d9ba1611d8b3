#pragma once

#include "db/SSong.h"

#include <QString>
#include <functional>
#include <optional>

class CCdlistSet;

// Preview: one catalogued song played through the built-in player, from wherever its
// disc is now.
namespace CPreview {

// Where a session's file is now (the drive search with its questions); empty when the
// user gave up.
using FLocate = std::function<QString(const QString& path, const QString& session)>;

// The file to play for a song, asking where its disc is. Empty when there is no such song
// or the user gave up; `song` (when given) receives the song, none when there is none.
QString LocateSong(CCdlistSet& set, qint64 id, const FLocate& locate,
                   std::optional<SSong>* song = nullptr);

// Why the located file cannot be played ("PATH: No such file or directory"); empty when it
// can be opened as a regular file.
QString CannotOpen(const QString& path);

} // namespace CPreview
