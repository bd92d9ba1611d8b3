#pragma once

#include "platform/CSettingsTable.h"

#include <QString>

class CPrompts;

// The whole protocol of a silenceable warning: nothing when the setting `silenced` is not
// 0, otherwise the warning, then the state of "Don't show me this again" is stored. True
// when it was shown.
bool ShowWarning(CPrompts& prompts, ESetting silenced, const QString& text);

// "Show Warnings": every silenced warning shows again on its next occasion.
void ResetWarnings();
