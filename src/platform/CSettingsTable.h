#pragma once

#include <QString>
#include <optional>
#include <span>

// Every value of the "Settings" section, in the order of the Options dialog's pages. The
// table (CSettingsTable.cpp) gives each its key, kind, default, range and the Options field
// that edits it; readers ask CSettings by these names and never spell a default.
enum class ESetting
{
    // General
    SubDir,
    AddOnSearch,
    Temp,
    Case,
    SearchOnPath,
    FastSearch,
    // Winamp
    Enque,
    LoadOnStart,
    Autoplay,
    Minimize,
    Continue,
    CloseWinamp,
    AutoUpd,
    Winamp,
    PlayerSocket,
    // Song Information
    Formatting,
    NoID3,
    Folder,
    Recognized,
    UnderScore,
    RemTrack,
    Rename,
    // Library
    LibArtist,
    LibAlbum,
    LibSession,
    LibBitrate,
    LibLength,
    LibComment,
    LibPath,
    LibTrack,
    LibYear,
    LibGenre,
    LibType,
    LibSort,
    ID3,
    // Internal Player
    Eq1,
    Eq2,
    Eq3,
    Eq4,
    Eq5,
    Eq6,
    Eq7,
    Eq8,
    IntVolume,
    Equalizer,
    // Internet: no Options page, set with `cratewise config`
    UpdateServer,
    WebSite,
    MailServer,
    MailPort,
    MailSecurity,
    MailUser,
    SupportAddress,
    TranslateServer,
    NetTimeout,
    // Kept by the program itself
    Firsttime,
    UpdateDate,
    Upgrade,
    ErrorFile,
    UpdateLibrary,
    WarningID3,
    WarningLyrics,
    WarningFound,
    WarningRename,
    WarningTranslation,
    TimesUsed,
    PlaylistUsed,
    Random,
    PbOrNm,
    CopyPath,
    X,
    Y,
    SavedPlaylist,
    WindowGeometry,
    MainSplitter,
    SongSplitter,
    LibColumns,
    PlainNamed,
    Count
};

enum class ESettingKind
{
    Bool,        // 0 or 1
    Int,         // a whole number within [min, max]
    Text,        // anything
    FileTypes,   // extensions separated by blanks, at least one
    WebAddress,  // http or https only: such an address becomes a link
    HostName,    // a server's name or number, no blanks
    MailAddress, // name@host, nothing that could leave the mail command's brackets
};

enum class ESettingGroup
{
    General,
    Winamp,
    SongInformation,
    Library,
    InternalPlayer,
    Internet,
    State,
};

struct SSettingDef
{
    ESetting id;
    const char* key;
    ESettingKind kind;
    const char* def; // the default, as the file stores it
    int min;         // Int only
    int max;
    ESettingGroup group;
    const char* field; // the Options control's caption; empty when none edits it
    bool reset;        // Reset Defaults writes the default back
};

class CSettingsTable
{
public:
    static const SSettingDef& Def(ESetting id);
    static std::span<const SSettingDef> All();
    // The entry of a key as the file spells it; null when the key is not a setting.
    static const SSettingDef* Find(const QString& key);
    // The same, ignoring letter case (names typed on the command line).
    static const SSettingDef* FindIgnoringCase(const QString& key);

    static QString Key(ESetting id) { return QString::fromLatin1(Def(id).key); }
    static QString Default(ESetting id) { return QString::fromUtf8(Def(id).def); }
    static QString GroupName(ESettingGroup group);
    // What a value must be, for messages: "a whole number from 1 to 65535".
    static QString KindText(const SSettingDef& def);
    // The value as the file stores it ("+25 " becomes "25", "true" becomes "1") when `text`
    // is a valid value of the setting; nothing when it is not.
    static std::optional<QString> Normalise(const SSettingDef& def, const QString& text);
    // Only these become links: a "javascript:" or "file:" address is shown as text.
    static bool IsWebAddress(const QString& text);
    // Eq1 … Eq8 by band number 0 … 7.
    static ESetting EqBand(int index);
};
