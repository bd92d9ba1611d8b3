#include "platform/CWarnings.h"

#include "platform/CPrompts.h"
#include "platform/CSettings.h"

bool ShowWarning(CPrompts& prompts, ESetting silenced, const QString& text)
{
    if (CSettings::Bool(silenced))
        return false;
    CSettings::SetBool(silenced, prompts.Warning(text) != 0);
    return true;
}

void ResetWarnings()
{
    for (ESetting silenced :
         {ESetting::WarningTranslation, ESetting::WarningID3, ESetting::WarningLyrics,
          ESetting::WarningFound, ESetting::WarningRename})
        CSettings::SetBool(silenced, false);
}
