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

    // The cover a song will have, worked out before the song is stored (the scan stores on
    // another thread): the key of its picture, empty for none, and the thumbnail to add
    // when this run is the first to meet a picture the catalogue lacks.
    struct SPlan
    {
        QString key;
        QByteArray thumbnail;
    };
    SPlan Plan(const QString& folder, const QString& path, CCachedFile& file);
    // Stores the plan for the stored song; throws CDbException as Take.
    void Apply(qint64 songId, const SPlan& plan);

private:
    SPlan PlanFound(const QString& folder, const QByteArray& embedded);
    // The key of a picture that is stored or planned to be; empty when it is no picture.
    QString Known(const QByteArray& picture, SPlan& plan);

    CDatabase& m_db;
    QHash<QString, QString> m_folderKeys; // folder -> key of its cover image, empty for none
    QSet<QString> m_stored;               // keys stored, or planned to be, in this run
    QSet<QString> m_noPictures;           // keys of bytes that are no picture
};
