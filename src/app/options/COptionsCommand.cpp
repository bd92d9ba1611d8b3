#include "app/options/COptionsCommand.h"

#include "app/options/COptionsDialog.h"
#include "platform/CSettings.h"

#include <QList>

namespace {

// The song list's column switches as they stand now, each read with its own default.
QList<int> ColumnSwitches()
{
    const struct
    {
        const char* key;
        int def;
    } columns[] = {{"LibArtist", 1},  {"LibAlbum", 1},  {"LibSession", 1},
                   {"LibBitrate", 0}, {"LibLength", 0}, {"LibComment", 0}};
    QList<int> values;
    for (const auto& column : columns)
        values << CSettings::Int(QLatin1String(column.key), column.def);
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
            return resetChangedColumns || CSettings::Int(QStringLiteral("UpdateLibrary"), 0) != 0;
        // A reset that switches columns on or off must rebuild them too, even though the
        // reopened Library page clears UpdateLibrary again.
        const QList<int> before = ColumnSwitches();
        ResetDefaults();
        resetChangedColumns = resetChangedColumns || ColumnSwitches() != before;
    }
}

void COptionsCommand::ResetDefaults()
{
    CSettings::SetString(QStringLiteral("Formatting"), QStringLiteral("%1 - %2"));
    CSettings::SetInt(QStringLiteral("NoID3"), 0);
    CSettings::SetInt(QStringLiteral("Folder"), 0);
    CSettings::SetString(QStringLiteral("Recognized"), QStringLiteral("mp2 mp3"));
    const struct
    {
        const char* key;
        int value;
    } ints[] = {
        {"AddOnSearch", 0},  {"Case", 0},       {"SubDir", 1},      {"Temp", 0},
        {"SearchOnPath", 0}, {"Autoplay", 0},   {"Enque", 0},       {"LoadOnStart", 0},
        {"Minimize", 0},     {"Continue", 0},   {"CloseWinamp", 0}, {"LibArtist", 1},
        {"LibAlbum", 1},     {"LibSession", 1}, {"LibBitrate", 0},  {"LibLength", 0},
        {"LibComment", 0},   {"ID3", 0},        {"Eq1", 0},         {"Eq2", 0},
        {"Eq3", 0},          {"Eq4", 0},        {"Eq5", 0},         {"Eq6", 0},
        {"Eq7", 0},          {"Eq8", 0},        {"IntVolume", 100}, {"Equalizer", 0},
    };
    for (const auto& entry : ints)
        CSettings::SetInt(QLatin1String(entry.key), entry.value);
}
