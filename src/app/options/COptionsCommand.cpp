#include "app/options/COptionsCommand.h"

#include "app/options/COptionsDialog.h"
#include "platform/CSettings.h"

#include <QList>
#include <QRegularExpression>

namespace {

// The song list's column switches as they stand now.
QList<int> ColumnSwitches()
{
    QList<int> values;
    for (ESetting column :
         {ESetting::LibArtist, ESetting::LibAlbum, ESetting::LibTrack, ESetting::LibYear,
          ESetting::LibGenre, ESetting::LibSession, ESetting::LibBitrate, ESetting::LibLength,
          ESetting::LibComment, ESetting::LibType, ESetting::LibPath})
        values << CSettings::Int(column);
    return values;
}

} // namespace

bool COptionsCommand::Run(QWidget* parent, CPrompts& prompts, CVolumes& volumes,
                          bool* ignoreAccents, bool* reset)
{
    bool resetChangedColumns = false;
    for (;;) {
        int result = 0;
        {
            COptionsDialog dialog(parent, prompts, volumes, ignoreAccents);
            result = dialog.exec();
        }
        if (result == COptionsDialog::kClose)
            return resetChangedColumns || CSettings::Bool(ESetting::UpdateLibrary);
        if (!prompts.AskYesNo(ResetQuestion(), QStringLiteral("Reset Defaults")))
            continue;
        // A reset that switches columns on or off must rebuild them too, even though the
        // reopened Library page clears UpdateLibrary again.
        const QList<int> before = ColumnSwitches();
        ResetDefaults();
        if (reset)
            *reset = true;
        resetChangedColumns = resetChangedColumns || ColumnSwitches() != before;
    }
}

QString COptionsCommand::ResetQuestion()
{
    QString text = QStringLiteral("Restore the default of these options?\n");
    ESettingGroup group = ESettingGroup::State;
    bool first = true;
    for (const SSettingDef& def : CSettingsTable::All()) {
        if (!def.reset)
            continue;
        if (first || def.group != group) {
            group = def.group;
            text += u'\n' + CSettingsTable::GroupName(group) + QStringLiteral(": ");
        } else {
            text += QStringLiteral(", ");
        }
        first = false;
        // As the page shows it, without the mnemonic and the trailing colon or dots.
        text += QString::fromUtf8(def.field).remove(u'&').remove(
            QRegularExpression(QStringLiteral("[:.]+$")));
    }
    return text + QStringLiteral("\n\nThe other options, the sessions and the playlist stay "
                                 "as they are.");
}

void COptionsCommand::ResetDefaults()
{
    for (const SSettingDef& def : CSettingsTable::All()) {
        if (def.reset)
            CSettings::SetString(def.id, QString::fromUtf8(def.def));
    }
}
