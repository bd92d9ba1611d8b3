#pragma once

#include <QHash>
#include <QWidget>

// Identifiers of the main form's controls that are not commands (the command buttons
// carry their command's identifier, ECommandId).
enum EControlId : int
{
    IDC_SESSIONS = 1005,
    IDC_PLAYLIST = 1009,
    IDC_TAG_TITLE = 1019,
    IDC_TOTAL = 1027,
    IDC_TAG_ARTIST = 1033,
    IDC_TAG_ALBUM = 1034,
    IDC_TAG_YEAR = 1035,
    IDC_PLAYING_TITLE = 1058,
    IDC_PLAYING_ARTIST = 1059,
    IDC_SEARCH_GENRE = 1063,
    IDC_TAG_GENRE = 1065,
    IDC_SEARCH_TITLE = 1067,
    IDC_SEARCH_ARTIST = 1068,
    IDC_SEARCH_ALBUM = 1069,
    IDC_SEARCH_FILE = 1070,
    IDC_VOLUME = 1073,
    IDC_PLAYBACK_PROGRESS = 1083,
    IDC_SONGS = 1108,
    IDC_MULTISAVE = 1110,
    IDC_SEARCH_ALL = 1182,
    IDC_TAG_COVER = 1200,       // the current song's cover beside the tag fields
    IDC_SONG_TOTALS = 1300,     // songs listed and their playing time
    IDC_PLAYLIST_TOTALS = 1301, // the playlist's songs and playing time
    IDC_PLAYBACK_TIME = 1302,   // elapsed and total time of the song playing
    IDC_TAG_TRACK = 1303,
    IDC_TAG_COMMENT = 1304,
    IDC_TAG_PATH = 1305, // the shown song's file, folder and name
    // The tag fields' labels (bold when Save would write the field).
    IDC_TAG_TITLE_LABEL = 2019,
    IDC_TAG_ARTIST_LABEL = 2033,
    IDC_TAG_ALBUM_LABEL = 2034,
    IDC_TAG_YEAR_LABEL = 2035,
    IDC_TAG_GENRE_LABEL = 2065,
    IDC_TAG_TRACK_LABEL = 2066,
    IDC_TAG_COMMENT_LABEL = 2067,
    // The splitters between the form's panes, whose sizes are kept across starts.
    IDC_MAIN_SPLITTER = 3000, // sessions | songs and tags | search, playlist and player
    IDC_SONG_SPLITTER = 3001, // songs above the tag fields
};

// The form's controls by identifier, from which the main view gives each controller its own.
class CControls
{
public:
    void Add(int id, QWidget* control) { m_controls.insert(id, control); }
    QWidget* Get(int id) const { return m_controls.value(id); }
    template <typename T> T* Get(int id) const { return qobject_cast<T*>(Get(id)); }

private:
    QHash<int, QWidget*> m_controls;
};
