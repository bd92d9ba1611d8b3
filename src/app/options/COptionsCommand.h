#pragma once

class CPrompts;
class CVolumes;
class QWidget;

// The Options command: runs the Options dialog until it is left with Close. Leaving it
// any other way restores the defaults and shows it again.
class COptionsCommand
{
public:
    // True when the song list's columns changed and must be rebuilt by the caller.
    static bool Run(QWidget* parent, CPrompts& prompts, CVolumes& volumes);
    // Writes the defaults of every option that Reset Defaults restores.
    static void ResetDefaults();
};
