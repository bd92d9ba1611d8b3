#include "platform/CSettingsTable.h"

#include <QHash>
#include <QUrl>
#include <algorithm>
#include <climits>

namespace {

using K = ESettingKind;
using G = ESettingGroup;
using S = ESetting;

constexpr int kAny = INT_MIN;
constexpr int kAll = INT_MAX;

// One line per value of the "Settings" section, in the order of the ESetting names.
// Columns: name, key, kind, default, min, max (Int only), group, Options field, reset.
constexpr SSettingDef kTable[] = {
    {S::SubDir, "SubDir", K::Bool, "1", 0, 1, G::General, "&Search Subdirectories", true},
    {S::AddOnSearch, "AddOnSearch", K::Bool, "0", 0, 1, G::General, "&Add to Playlist on Search",
     true},
    {S::Temp, "Temp", K::Bool, "0", 0, 1, G::General, "Cop&y to Tempdir if on CDs", true},
    {S::Case, "Case", K::Bool, "0", 0, 1, G::General, "Case Sensitive Search", true},
    {S::SearchOnPath, "SearchOnPath", K::Bool, "0", 0, 1, G::General,
     "Search Path Instead of Filename", true},
    {S::FastSearch, "FastSearch", K::Bool, "0", 0, 1, G::General, "Fast Searching (less accurate)",
     false},

    {S::Enque, "Enque", K::Bool, "0", 0, 1, G::Winamp, "&Enqueue Files", true},
    {S::LoadOnStart, "LoadOnStart", K::Bool, "0", 0, 1, G::Winamp, "&Load on Start", true},
    {S::Autoplay, "Autoplay", K::Bool, "0", 0, 1, G::Winamp, "A&utoplay Files", true},
    {S::Minimize, "Minimize", K::Bool, "0", 0, 1, G::Winamp, "Minimize MPD", true},
    {S::Continue, "Continue", K::Bool, "0", 0, 1, G::Winamp, "Continue Playback", true},
    {S::CloseWinamp, "CloseWinamp", K::Bool, "0", 0, 1, G::Winamp, "Close MPD with Cratewise",
     true},
    {S::AutoUpd, "AutoUpd", K::Bool, "0", 0, 1, G::Winamp, "Auto-Update MPD", false},
    {S::Winamp, "Winamp", K::Text, "", 0, 0, G::Winamp, "&Find MPD", false},
    {S::PlayerSocket, "PlayerSocket", K::Text, "", 0, 0, G::Winamp, "", false},

    {S::Formatting, "Formatting", K::Text, "%1 - %2", 0, 0, G::SongInformation,
     "Formatting:", true},
    {S::NoID3, "NoID3", K::Bool, "0", 0, 1, G::SongInformation, "Don't use ID3 Tags", true},
    {S::Folder, "Folder", K::Int, "0", 0, 2, G::SongInformation, "Use Folder as...", true},
    {S::Recognized, "Recognized", K::FileTypes, "mp3 mp2 flac ogg oga opus m4a", 0, 0,
     G::SongInformation, "Recognized file types:", true},
    {S::UnderScore, "UnderScore", K::Bool, "0", 0, 1, G::SongInformation,
     "Replace underscores (_) with spaces", false},
    {S::RemTrack, "RemTrack", K::Bool, "0", 0, 1, G::SongInformation, "Remove track numbers",
     false},
    {S::Rename, "Rename", K::Bool, "0", 0, 1, G::SongInformation,
     "Rename files according to formatting string", false},

    {S::LibArtist, "LibArtist", K::Bool, "1", 0, 1, G::Library, "&Artist", true},
    {S::LibAlbum, "LibAlbum", K::Bool, "1", 0, 1, G::Library, "Al&bum", true},
    {S::LibSession, "LibSession", K::Bool, "1", 0, 1, G::Library, "&Session", true},
    {S::LibBitrate, "LibBitrate", K::Bool, "0", 0, 1, G::Library, "B&itrate", true},
    {S::LibLength, "LibLength", K::Bool, "0", 0, 1, G::Library, "&Length", true},
    {S::LibComment, "LibComment", K::Bool, "0", 0, 1, G::Library, "C&omment", true},
    {S::LibPath, "LibPath", K::Bool, "0", 0, 1, G::Library, "Pat&h", true},
    {S::LibTrack, "LibTrack", K::Bool, "0", 0, 1, G::Library, "&Track", true},
    {S::LibYear, "LibYear", K::Bool, "0", 0, 1, G::Library, "&Year", true},
    {S::LibGenre, "LibGenre", K::Bool, "0", 0, 1, G::Library, "&Genre", true},
    {S::LibType, "LibType", K::Bool, "0", 0, 1, G::Library, "Ty&pe", true},
    // The column the song list is sorted by, kept across starts: its number twice, plus one
    // when downwards; -1 for none.
    {S::LibSort, "LibSort", K::Int, "-1", -1, 255, G::Library, "", false},
    {S::ID3, "ID3", K::Bool, "0", 0, 1, G::Library,
     "Show &Filename Instead of Title in the Library", true},

    {S::Eq1, "Eq1", K::Int, "0", -100, 100, G::InternalPlayer, "Equalizer band up to 689 Hz", true},
    {S::Eq2, "Eq2", K::Int, "0", -100, 100, G::InternalPlayer, "Equalizer band up to 1.4 kHz",
     true},
    {S::Eq3, "Eq3", K::Int, "0", -100, 100, G::InternalPlayer, "Equalizer band up to 2.8 kHz",
     true},
    {S::Eq4, "Eq4", K::Int, "0", -100, 100, G::InternalPlayer, "Equalizer band up to 4.1 kHz",
     true},
    {S::Eq5, "Eq5", K::Int, "0", -100, 100, G::InternalPlayer, "Equalizer band up to 5.5 kHz",
     true},
    {S::Eq6, "Eq6", K::Int, "0", -100, 100, G::InternalPlayer, "Equalizer band up to 9.6 kHz",
     true},
    {S::Eq7, "Eq7", K::Int, "0", -100, 100, G::InternalPlayer, "Equalizer band up to 14 kHz", true},
    {S::Eq8, "Eq8", K::Int, "0", -100, 100, G::InternalPlayer, "Equalizer band up to 22 kHz", true},
    {S::IntVolume, "IntVolume", K::Int, "100", 0, 100, G::InternalPlayer, "Volume", true},
    {S::Equalizer, "Equalizer", K::Bool, "0", 0, 1, G::InternalPlayer, "Enable Equalizer", true},

    // The .example names never resolve: an unconfigured install fails fast instead of
    // talking to a stranger's server.
    {S::UpdateServer, "UpdateServer", K::WebAddress, "https://updates.cratewise.example", 0, 0,
     G::Internet, "", false},
    {S::WebSite, "WebSite", K::WebAddress, "https://cratewise.example", 0, 0, G::Internet, "",
     false},
    {S::MailServer, "MailServer", K::HostName, "mail.cratewise.example", 0, 0, G::Internet, "",
     false},
    // The submission port: providers take mail from programs there, after STARTTLS and a
    // sign-in, and home connections often block 25.
    {S::MailPort, "MailPort", K::Int, "587", 1, 65535, G::Internet, "", false},
    // 0: the port decides (465 encrypted from the start, else STARTTLS when offered and
    // always on 587); 1: STARTTLS always; 2: encrypted from the start.
    {S::MailSecurity, "MailSecurity", K::Int, "0", 0, 2, G::Internet, "", false},
    // The sign-in name; empty: no sign-in. The password lives in the desktop keyring.
    {S::MailUser, "MailUser", K::Text, "", 0, 0, G::Internet, "", false},
    {S::SupportAddress, "SupportAddress", K::MailAddress, "support@cratewise.example", 0, 0,
     G::Internet, "", false},
    {S::TranslateServer, "TranslateServer", K::WebAddress, "https://translate.cratewise.example", 0,
     0, G::Internet, "", false},
    {S::NetTimeout, "NetTimeout", K::Int, "15", 1, 600, G::Internet, "", false},

    {S::Firsttime, "Firsttime", K::Int, "2", 1, 2, G::State, "", false},
    {S::UpdateDate, "UpdateDate", K::Int, "0", 0, 12, G::State, "", false},
    {S::Upgrade, "Upgrade", K::Int, "0", kAny, kAll, G::State, "", false},
    {S::ErrorFile, "ErrorFile", K::Text, "", 0, 0, G::State, "", false},
    {S::UpdateLibrary, "UpdateLibrary", K::Bool, "0", 0, 1, G::State, "", false},
    {S::WarningID3, "WarningID3", K::Bool, "0", 0, 1, G::State, "", false},
    {S::WarningLyrics, "WarningLyrics", K::Bool, "0", 0, 1, G::State, "", false},
    {S::WarningFound, "WarningFound", K::Bool, "0", 0, 1, G::State, "", false},
    {S::WarningRename, "WarningRename", K::Bool, "0", 0, 1, G::State, "", false},
    {S::WarningTranslation, "WarningTranslation", K::Bool, "0", 0, 1, G::State, "", false},
    {S::TimesUsed, "TimesUsed", K::Int, "0", 0, kAll, G::State, "", false},
    {S::PlaylistUsed, "PlaylistUsed", K::Int, "0", 0, kAll, G::State, "", false},
    {S::Random, "Random", K::Int, "50", 0, 1900, G::State, "", false},
    {S::PbOrNm, "PbOrNm", K::Int, "0", 0, 1, G::State, "", false},
    {S::CopyPath, "CopyPath", K::Text, "", 0, 0, G::State, "", false},
    {S::X, "X", K::Int, "-1", kAny, kAll, G::State, "", false},
    {S::Y, "Y", K::Int, "-1", kAny, kAll, G::State, "", false},
    {S::SavedPlaylist, "SavedPlaylist", K::Text, "", 0, 0, G::State, "", false},
    {S::WindowGeometry, "WindowGeometry", K::Text, "", 0, 0, G::State, "", false},
    // The widths of the main window's panes, as QSplitter keeps them (base64).
    {S::MainSplitter, "MainSplitter", K::Text, "", 0, 0, G::State, "", false},
    {S::SongSplitter, "SongSplitter", K::Text, "", 0, 0, G::State, "", false},
    // The song list's columns in the order shown, each as its column's name and width
    // ("LIST:220 ARTIST:140"), hidden ones too: a column keeps its width while the
    // Options add or remove others.
    {S::LibColumns, "LibColumns", K::Text, "", 0, 0, G::State, "", false},
    // The http:// addresses already named as unencrypted, separated by blanks.
    {S::PlainNamed, "PlainNamed", K::Text, "", 0, 0, G::State, "", false},
};

constexpr bool InOrder()
{
    for (size_t i = 0; i < std::size(kTable); ++i) {
        if (size_t(kTable[i].id) != i)
            return false;
    }
    return std::size(kTable) == size_t(ESetting::Count);
}
static_assert(InOrder(), "the table lists every ESetting once, in order");

bool IsControlOrBlank(QChar c)
{
    return c.isSpace() || c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
}

bool IsHostName(const QString& text)
{
    if (text.isEmpty() || text.size() > 253)
        return false;
    for (QChar c : text) {
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-' && c != u'_' && c != u':' &&
            c != u'[' && c != u']')
            return false;
    }
    return true;
}

bool IsMailAddress(const QString& text)
{
    const qsizetype at = text.lastIndexOf(u'@');
    if (at <= 0 || at == text.size() - 1)
        return false;
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return IsControlOrBlank(c) || c == u'<' || c == u'>'; });
}

std::optional<QString> NormaliseInt(const SSettingDef& def, const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < def.min || value > def.max)
        return std::nullopt;
    return QString::number(value);
}

std::optional<QString> NormaliseBool(const QString& text)
{
    const QString word = text.trimmed().toLower();
    for (const char* yes : {"1", "true", "yes", "on"}) {
        if (word == QLatin1String(yes))
            return QStringLiteral("1");
    }
    for (const char* no : {"0", "false", "no", "off"}) {
        if (word == QLatin1String(no))
            return QStringLiteral("0");
    }
    return std::nullopt;
}

} // namespace

const SSettingDef& CSettingsTable::Def(ESetting id)
{
    return kTable[size_t(id)];
}

std::span<const SSettingDef> CSettingsTable::All()
{
    return kTable;
}

const SSettingDef* CSettingsTable::Find(const QString& key)
{
    static const QHash<QString, const SSettingDef*> byKey = [] {
        QHash<QString, const SSettingDef*> keys;
        for (const SSettingDef& def : kTable)
            keys.insert(QString::fromLatin1(def.key), &def);
        return keys;
    }();
    return byKey.value(key, nullptr);
}

const SSettingDef* CSettingsTable::FindIgnoringCase(const QString& key)
{
    for (const SSettingDef& def : kTable) {
        if (key.compare(QLatin1String(def.key), Qt::CaseInsensitive) == 0)
            return &def;
    }
    return nullptr;
}

QString CSettingsTable::GroupName(ESettingGroup group)
{
    switch (group) {
    case G::General:
        return QStringLiteral("General");
    case G::Winamp:
        return QStringLiteral("MPD");
    case G::SongInformation:
        return QStringLiteral("Song Information");
    case G::Library:
        return QStringLiteral("Library");
    case G::InternalPlayer:
        return QStringLiteral("Internal Player");
    case G::Internet:
        return QStringLiteral("Internet (no Options page)");
    case G::State:
        return QStringLiteral("Kept by Cratewise (no Options page)");
    }
    return {};
}

QString CSettingsTable::KindText(const SSettingDef& def)
{
    switch (def.kind) {
    case K::Bool:
        return QStringLiteral("0 or 1");
    case K::Int:
        if (def.min == kAny && def.max == kAll)
            return QStringLiteral("a whole number");
        if (def.max == kAll)
            return QStringLiteral("a whole number from %1 up").arg(def.min);
        return QStringLiteral("a whole number from %1 to %2").arg(def.min).arg(def.max);
    case K::Text:
        return QStringLiteral("text");
    case K::FileTypes:
        return QStringLiteral("file extensions separated by blanks");
    case K::WebAddress:
        return QStringLiteral("an http or https address");
    case K::HostName:
        return QStringLiteral("a host name without blanks");
    case K::MailAddress:
        return QStringLiteral("a mail address (name@host, without blanks, < or >)");
    }
    return {};
}

std::optional<QString> CSettingsTable::Normalise(const SSettingDef& def, const QString& text)
{
    switch (def.kind) {
    case K::Bool:
        return NormaliseBool(text);
    case K::Int:
        return NormaliseInt(def, text);
    case K::Text:
        return text;
    case K::FileTypes:
        if (text.trimmed().isEmpty())
            return std::nullopt;
        return text;
    case K::WebAddress:
        if (!IsWebAddress(text))
            return std::nullopt;
        return text;
    case K::HostName:
        if (!IsHostName(text))
            return std::nullopt;
        return text;
    case K::MailAddress:
        if (!IsMailAddress(text))
            return std::nullopt;
        return text;
    }
    return std::nullopt;
}

bool CSettingsTable::IsWebAddress(const QString& text)
{
    if (std::any_of(text.begin(), text.end(), IsControlOrBlank))
        return false;
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

ESetting CSettingsTable::EqBand(int index)
{
    Q_ASSERT(index >= 0 && index < 8);
    return ESetting(int(ESetting::Eq1) + index);
}
