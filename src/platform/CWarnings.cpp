#include "platform/CWarnings.h"

#include "platform/CPrompts.h"
#include "platform/CSettings.h"

bool ShowWarning(CPrompts& prompts, const QString& valueName, const QString& text)
{
    if (CSettings::Int(valueName, 0) != 0)
        return false;
    CSettings::SetInt(valueName, prompts.Warning(text));
    return true;
}

void ResetWarnings()
{
    for (const char* name :
         {"WarningTranslation", "WarningID3", "WarningLyrics", "WarningFound", "WarningRename"})
        CSettings::SetInt(QLatin1String(name), 0);
}
