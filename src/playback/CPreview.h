#pragma once

#include <QString>

class CCdlistSet;
struct SAppServices;

// Preview: one catalogued song played through the built-in player, from wherever its
// disc is now.
namespace CPreview {

// The file to play for a song: positions the set on it and asks for its disc (the
// general drive search). Empty when there is no such song or the user gave up;
// `found` tells the two apart.
QString LocateSong(CCdlistSet& set, const SAppServices& services, qint64 id,
                   bool* found = nullptr);

// "m:ss" of a time in milliseconds, for progress shown to the user.
QString Clock(qint64 ms);

} // namespace CPreview
