#pragma once

class CCommandLine;

// `preview SONG-ID`: one song through the built-in player.
void RegisterPreviewCommands(CCommandLine& cli);
