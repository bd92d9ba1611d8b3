#pragma once

class CCommandLine;

// `cratewise search`.
void RegisterLibraryCommands(CCommandLine& cli);
