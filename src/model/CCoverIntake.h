#pragma once

#include <QHash>
#include <QSet>
#include <QString>

class CCachedFile;
class CDatabase;

// Gives a stored song the cover of its file: the picture in its own tag, else its folder's
// cover image. Each distinct picture is stored once as a thumbnail; a folder's image is looked
// for once per run, however its songs come. Scan, playlist import and upgrade share it.
class CCoverIntake
{
public:
    explicit CCoverIntake(CDatabase& db) : m_db(db) {}

    // Throws CDbException when the catalogue cannot take the cover; a missing or broken
    // picture only leaves the song without one.
    void Take(qint64 songId, const QString& folder, const QString& path);
    // The same with the song's file already open (shared with the song's other readers).
    void Take(qint64 songId, const QString& folder, const QString& path, CCachedFile& file);

private:
    // The key of a picture whose thumbnail is stored; empty when it is no picture.
    QString Stored(const QByteArray& picture);
    void TakeFound(qint64 songId, const QString& folder, const QByteArray& embedded);

    CDatabase& m_db;
    QHash<QString, QString> m_folderKeys; // folder -> key of its cover image, empty for none
    QSet<QString> m_stored;               // keys this run found stored
    QSet<QString> m_noPictures;           // keys of bytes that are no picture
};
