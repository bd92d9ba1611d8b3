#pragma once

#include <QSet>
#include <QString>

class CDatabase;

// Gives a stored song the cover of its file: the picture in its own tag, else its folder's
// cover image. Each distinct picture is stored once as a thumbnail; a folder's image is read
// once while its songs come one after another. Scan, playlist import and upgrade share it.
class CCoverIntake
{
public:
    explicit CCoverIntake(CDatabase& db) : m_db(db) {}

    // Throws CDbException when the catalogue cannot take the cover; a missing or broken
    // picture only leaves the song without one.
    void Take(qint64 songId, const QString& folder, const QString& path);

private:
    // The key of a picture whose thumbnail is stored; empty when it is no picture.
    QString Stored(const QByteArray& picture);

    CDatabase& m_db;
    QString m_folder; // the folder whose cover image was read last
    QString m_folderKey;
    QSet<QString> m_stored;     // keys this run found stored
    QSet<QString> m_noPictures; // keys of bytes that are no picture
};
