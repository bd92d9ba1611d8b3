#pragma once

// The SQL of the catalogue's layout: its tables and indexes, the search index and its
// triggers, and what the conversions of older layouts drop and add (CDatabase runs them).
namespace CSchemaSql {

inline constexpr const char* kSchema = R"SQL(
CREATE TABLE Songs(
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    CD TEXT NOT NULL DEFAULT '',
    LIST TEXT NOT NULL DEFAULT '',
    PATH TEXT NOT NULL DEFAULT '',
    MELODI TEXT NOT NULL DEFAULT '',
    TITLE TEXT NOT NULL DEFAULT '',
    ARTIST TEXT NOT NULL DEFAULT '',
    ALBUM TEXT NOT NULL DEFAULT '',
    GENRE TEXT NOT NULL DEFAULT '',
    YEAR TEXT NOT NULL DEFAULT '',
    LYRICS TEXT NOT NULL DEFAULT '',
    BITRATE TEXT NOT NULL DEFAULT '',
    COMMENT TEXT NOT NULL DEFAULT '',
    DURATION TEXT NOT NULL DEFAULT '',
    [USE] INTEGER NOT NULL DEFAULT 0,
    EXTENDED1 TEXT NOT NULL DEFAULT '',
    EXTENDED2 TEXT NOT NULL DEFAULT '',
    TITLE_FOLDED TEXT,
    ARTIST_FOLDED TEXT,
    ALBUM_FOLDED TEXT,
    MELODI_FOLDED TEXT,
    GENRE_FOLDED TEXT,
    COVER TEXT,
    TRACK INTEGER);
CREATE TABLE ExcludeList(
    ID2 INTEGER PRIMARY KEY AUTOINCREMENT,
    EXCLUDED TEXT NOT NULL DEFAULT '');
)SQL";

// Covers, once per distinct picture; a song refers to its cover by the picture's hash.
inline constexpr const char* kCovers = R"SQL(
CREATE TABLE IF NOT EXISTS Covers(
    HASH TEXT PRIMARY KEY NOT NULL,
    IMAGE BLOB NOT NULL) WITHOUT ROWID;
)SQL";

// The folded copies a catalogue of layout 3 lacks.
inline constexpr const char* kAddFolded = R"SQL(
ALTER TABLE Songs ADD COLUMN TITLE_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN ARTIST_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN ALBUM_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN MELODI_FOLDED TEXT;
ALTER TABLE Songs ADD COLUMN GENRE_FOLDED TEXT;
)SQL";

// The track number layout 12 lacks: NULL, unknown, until the song's file is read again.
inline constexpr const char* kAddTrack = "ALTER TABLE Songs ADD COLUMN TRACK INTEGER;";

// Layout 3 indexed through the program's own collation, which other tools lack.
inline constexpr const char* kDropCollatedIndexes = R"SQL(
DROP INDEX IF EXISTS SongsByFile;
DROP INDEX IF EXISTS SongsByTitle;
DROP INDEX IF EXISTS SongsByArtist;
DROP INDEX IF EXISTS SongsByAlbum;
DROP INDEX IF EXISTS SongsByGenre;
)SQL";

// The rows whose folded copies are to be made (CDatabase::FoldRows reads it by name).
inline constexpr const char* kFoldIndex = R"SQL(
CREATE INDEX IF NOT EXISTS SongsToFold ON Songs(ID) WHERE TITLE_FOLDED IS NULL OR
    ARTIST_FOLDED IS NULL OR ALBUM_FOLDED IS NULL OR MELODI_FOLDED IS NULL OR
    GENRE_FOLDED IS NULL;
)SQL";

// Indexes for the lookups the program makes, on plain columns and the folded copies, so
// that any SQLite tool can use the file. Created when missing at every open. The artist
// and album indexes hold the texts as well, so that a sort of the song list by them
// reads the index instead of the whole table (they replace the indexes of the folded
// copies alone); so do the title index the list's titles (LIST), the artist index the
// album and track, which order an artist's songs, and the album index the track.
// A row another tool inserts or changes gets the folded copies of its texts in triggers
// (CFoldTriggers), but for very long ones: SongsToFold finds those for the refold at the
// next open, which rewrites every page holding such a row. SongsListNamed holds the songs
// whose name in the list is not their title (the untagged ones, mostly): "All" reads their
// list names, which no other index holds.
inline constexpr const char* kIndexes = R"SQL(
CREATE INDEX IF NOT EXISTS SongsBySession ON Songs(CD);
CREATE INDEX IF NOT EXISTS SongsByFile ON Songs(MELODI_FOLDED);
DROP INDEX IF EXISTS SongsByTitle;
CREATE INDEX IF NOT EXISTS SongsByTitleList ON Songs(TITLE_FOLDED, LIST);
DROP INDEX IF EXISTS SongsByArtist;
DROP INDEX IF EXISTS SongsByAlbum;
DROP INDEX IF EXISTS SongsByArtistName;
CREATE INDEX IF NOT EXISTS SongsByArtistAlbum ON Songs(ARTIST_FOLDED, ARTIST, ALBUM, TRACK);
DROP INDEX IF EXISTS SongsByAlbumName;
CREATE INDEX IF NOT EXISTS SongsByAlbumTrack ON Songs(ALBUM_FOLDED, ALBUM, TRACK);
CREATE INDEX IF NOT EXISTS SongsByGenre ON Songs(GENRE_FOLDED);
CREATE INDEX IF NOT EXISTS SongsListNamed ON Songs(ID) WHERE LIST <> TITLE;
)SQL";

// The substring index's columns, in its order.
inline constexpr const char* kTextColumns =
    "MELODI_FOLDED, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED";

// The substring index of the full search: SQLite's own trigram tokenizer over the folded
// copies, taken byte for byte (the tokenizer's own folding differs from the program's,
// for "İ" say). It keeps where each trigram stands, so a phrase query answers a search
// exactly from the index alone (keeping only which columns hold a trigram made it a fifth
// smaller but every search 5 to 50 times slower, its candidates checked row by row); no
// column sizes, which no query uses. The file name comes first: a trigram's positions in the
// first column need no column number, and the file name holds the most trigrams (a sixth
// smaller index than with the title first). Kept by plain-SQL triggers inside every change's
// transaction, it holds the rows whose title copy is present: a row without it waits for its
// refold.
// SQLite 3.40's FTS5 writes its pending terms at every statement of a transaction, so the
// program's own new songs enter the index together, in one statement before the commit: while
// its transaction adds songs, SongsTextPending holds the first ID they may get, the triggers
// pass over the rows from there on, and deleting that row adds them. The row never outlives
// the program's transaction (a crash rolls it back with the songs); one left behind all the
// same is deleted at the next open, which indexes what it held. Stored whole at the insert,
// the new rows need no second write that would split the table's pages.
inline constexpr const char* kTextIndex = R"SQL(
CREATE VIRTUAL TABLE IF NOT EXISTS SongsText USING fts5(
    MELODI_FOLDED, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED,
    content='Songs', content_rowid='ID', tokenize='trigram case_sensitive 1', columnsize=0);
CREATE TABLE IF NOT EXISTS SongsTextPending(FROM_ID INTEGER NOT NULL);
CREATE TRIGGER IF NOT EXISTS SongsTextPendingDone AFTER DELETE ON SongsTextPending
BEGIN
    INSERT INTO SongsText(rowid, MELODI_FOLDED, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED)
    SELECT ID, MELODI_FOLDED, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED FROM Songs
    WHERE ID >= OLD.FROM_ID AND TITLE_FOLDED IS NOT NULL;
END;
CREATE TRIGGER IF NOT EXISTS SongsTextInsert AFTER INSERT ON Songs
    WHEN NEW.TITLE_FOLDED IS NOT NULL
        AND NOT EXISTS (SELECT 1 FROM SongsTextPending WHERE FROM_ID <= NEW.ID)
BEGIN
    INSERT INTO SongsText(rowid, MELODI_FOLDED, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED)
    VALUES(NEW.ID, NEW.MELODI_FOLDED, NEW.TITLE_FOLDED, NEW.ARTIST_FOLDED, NEW.ALBUM_FOLDED);
END;
CREATE TRIGGER IF NOT EXISTS SongsTextDelete AFTER DELETE ON Songs
    WHEN OLD.TITLE_FOLDED IS NOT NULL
        AND NOT EXISTS (SELECT 1 FROM SongsTextPending WHERE FROM_ID <= OLD.ID)
BEGIN
    INSERT INTO SongsText(SongsText, rowid, MELODI_FOLDED, TITLE_FOLDED, ARTIST_FOLDED,
        ALBUM_FOLDED)
    VALUES('delete', OLD.ID, OLD.MELODI_FOLDED, OLD.TITLE_FOLDED, OLD.ARTIST_FOLDED,
        OLD.ALBUM_FOLDED);
END;
CREATE TRIGGER IF NOT EXISTS SongsTextUpdate AFTER UPDATE OF ID, TITLE_FOLDED, ARTIST_FOLDED,
    ALBUM_FOLDED, MELODI_FOLDED ON Songs
BEGIN
    INSERT INTO SongsText(SongsText, rowid, MELODI_FOLDED, TITLE_FOLDED, ARTIST_FOLDED,
        ALBUM_FOLDED)
    SELECT 'delete', OLD.ID, OLD.MELODI_FOLDED, OLD.TITLE_FOLDED, OLD.ARTIST_FOLDED,
        OLD.ALBUM_FOLDED WHERE OLD.TITLE_FOLDED IS NOT NULL
        AND NOT EXISTS (SELECT 1 FROM SongsTextPending WHERE FROM_ID <= OLD.ID);
    INSERT INTO SongsText(rowid, MELODI_FOLDED, TITLE_FOLDED, ARTIST_FOLDED, ALBUM_FOLDED)
    SELECT NEW.ID, NEW.MELODI_FOLDED, NEW.TITLE_FOLDED, NEW.ARTIST_FOLDED, NEW.ALBUM_FOLDED
    WHERE NEW.TITLE_FOLDED IS NOT NULL
        AND NOT EXISTS (SELECT 1 FROM SongsTextPending WHERE FROM_ID <= NEW.ID);
END;
)SQL";

// The substring index's triggers: layout 11's knew no pending rows, and the index itself is
// dropped only after them (kDropTextIndex).
inline constexpr const char* kDropTextTriggers = R"SQL(
DROP TRIGGER IF EXISTS SongsTextInsert;
DROP TRIGGER IF EXISTS SongsTextDelete;
DROP TRIGGER IF EXISTS SongsTextUpdate;
)SQL";

// Up to layout 6 the folder had a folded copy too (its lookup now compares the folder
// itself, COLLATE UNOCASE, among the songs of the file name the index finds), and another
// tool's change dropped every copy it touched.
inline constexpr const char* kDropFolderCopy = R"SQL(
DROP INDEX IF EXISTS SongsByFile;
DROP INDEX IF EXISTS SongsToFold;
DROP TRIGGER IF EXISTS SongsUnfold;
DROP TRIGGER IF EXISTS SongsUnfoldTitle;
DROP TRIGGER IF EXISTS SongsUnfoldArtist;
DROP TRIGGER IF EXISTS SongsUnfoldAlbum;
DROP TRIGGER IF EXISTS SongsUnfoldFile;
DROP TRIGGER IF EXISTS SongsUnfoldFolder;
DROP TRIGGER IF EXISTS SongsUnfoldGenre;
)SQL";

// The lookup indexes of the folded copies.
inline constexpr const char* kDropFoldedLookups = R"SQL(
DROP INDEX IF EXISTS SongsByFile;
DROP INDEX IF EXISTS SongsByTitle;
DROP INDEX IF EXISTS SongsByTitleList;
DROP INDEX IF EXISTS SongsByArtistName;
DROP INDEX IF EXISTS SongsByArtistAlbum;
DROP INDEX IF EXISTS SongsByAlbumName;
DROP INDEX IF EXISTS SongsByAlbumTrack;
DROP INDEX IF EXISTS SongsByGenre;
)SQL";

// Layout 4 folded its substring index a second time, in the tokenizer's own way; up to
// layout 6 it kept every trigram's positions.
inline constexpr const char* kDropTextIndex = "DROP TABLE IF EXISTS SongsText;";

inline constexpr const char* kToFold =
    "TITLE_FOLDED IS NULL OR ARTIST_FOLDED IS NULL OR ALBUM_FOLDED IS NULL OR MELODI_FOLDED IS "
    "NULL OR GENRE_FOLDED IS NULL";

} // namespace CSchemaSql
