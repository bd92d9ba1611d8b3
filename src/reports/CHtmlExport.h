#pragma once

#include <QDate>
#include <QList>
#include <QString>

class CCdlistDoc;
class QIODevice;

// What the "Create HTML File" dialog (or the command line) asks for.
struct SHtmlOptions
{
    enum class ESource
    {
        None, // no choice made: written as for the selected session
        Playlist,
        Session,
        Database
    };
    enum class ESort
    {
        File, // the order songs were added in
        Artist,
        Album
    };
    enum class EBackground
    {
        None,
        Colour,
        File
    };

    QString headline;
    QString name;
    ESource source = ESource::None;
    QString session;        // the selected session (Session and None)
    QList<qint64> playlist; // song IDs in playlist order (Playlist)
    bool id3 = false;
    bool detailed = false;
    bool links = false;
    bool fullPath = false;
    ESort sort = ESort::File;
    EBackground background = EBackground::None;
    QString backgroundColour = QStringLiteral("White");
    QString backgroundFile;
    QString textColour = QStringLiteral("Black");
    bool border = true;
    bool numbers = false;
    QDate date;      // "Created on"; invalid means today
    QString website; // the closing link; empty means the WebSite setting
};

// Writes a web page listing songs of the playlist, a session or the whole database.
// Every text taken from a song or typed by the user is HTML-escaped and links are file
// URLs, so a hostile tag can neither inject markup nor break a link.
class CHtmlExport
{
public:
    explicit CHtmlExport(CCdlistDoc& doc) : m_doc(doc) {}

    // Writes the page to `file` (replacing it). False with a message naming the file when
    // it cannot be written or the database fails; nothing is left half written.
    // `songs`, when given, receives the number of songs written.
    bool Write(const QString& file, const SHtmlOptions& options, QString& error,
               int* songs = nullptr);
    // The page into a device; returns the number of songs written. Throws CDbException.
    int Write(QIODevice& out, const SHtmlOptions& options);

    // "Monday, December 07, 2026", in English whatever the locale.
    static QString FormatDate(const QDate& date);

private:
    CCdlistDoc& m_doc;
};
