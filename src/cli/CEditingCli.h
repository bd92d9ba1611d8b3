#pragma once

class CCommandLine;

// `cratewise tag` and `cratewise lyrics`.
void RegisterEditingCommands(CCommandLine& cli);
