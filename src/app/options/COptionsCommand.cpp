#include "app/options/COptionsCommand.h"

#include "app/options/COptionsDialog.h"
#include "platform/CSettings.h"

#include <QList>

namespace {

// The song list's column switches as they stand now.
QList<int> ColumnSwitches()
{
    QList<int> values;
    for (ESetting column :
         {ESetting::LibArtist, ESetting::LibAlbum, ESetting::LibSession, ESetting::LibBitrate,
          ESetting::LibLength, ESetting::LibComment, ESetting::LibPath})
        values << CSettings::Int(column);
    return values;
}

} // namespace

bool COptionsCommand::Run(QWidget* parent, CPrompts& prompts, CVolumes& volumes)
{
    bool resetChangedColumns = false;
    for (;;) {
        int result = 0;
        {
            COptionsDialog dialog(parent, prompts, volumes);
            result = dialog.exec();
        }
        if (result == COptionsDialog::kClose)
            return resetChangedColumns || CSettings::Bool(ESetting::UpdateLibrary);
        // A reset that switches columns on or off must rebuild them too, even though the
        // reopened Library page clears UpdateLibrary again.
        const QList<int> before = ColumnSwitches();
        ResetDefaults();
        resetChangedColumns = resetChangedColumns || ColumnSwitches() != before;
    }
}

void COptionsCommand::ResetDefaults()
{
    for (const SSettingDef& def : CSettingsTable::All()) {
        if (def.reset)
            CSettings::SetString(def.id, QString::fromUtf8(def.def));
    }
}
