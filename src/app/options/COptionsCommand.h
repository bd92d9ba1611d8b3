#pragma once

class CPrompts;
class CVolumes;
class QWidget;

// The Options command: runs the Options dialog until it is left with Close. Reset Defaults
// asks first, naming what it restores, and shows the dialog again either way.
class COptionsCommand
{
public:
    // True when the song list's columns changed and must be rebuilt by the caller.
    // `ignoreAccents` comes back as the open catalogue's switch was left (none: not shown);
    // `reset` tells whether Reset Defaults restored the defaults.
    static bool Run(QWidget* parent, CPrompts& prompts, CVolumes& volumes,
                    bool* ignoreAccents = nullptr, bool* reset = nullptr);
    // Writes the defaults of every option that Reset Defaults restores.
    static void ResetDefaults();
    // The question Reset Defaults asks: every option it restores, page by page.
    static QString ResetQuestion();
};
