#pragma once

#include <QByteArray>
#include <QString>

class CDatabase;

// The covers of the catalogue: each distinct picture once, keyed by a hash of its bytes
// (table Covers), and each song's reference to one (Songs.COVER).
class CCoverStore
{
public:
    explicit CCoverStore(CDatabase& db) : m_db(db) {}

    // The key of a picture: the SHA-1 of its bytes, in hex.
    static QString KeyOf(const QByteArray& picture);

    // Whether the catalogue holds the cover (a read-only older catalogue has none).
    bool Has(const QString& key);
    void Add(const QString& key, const QByteArray& thumbnail);
    void SetSongCover(qint64 songId, const QString& key);
    // The song's stored thumbnail; empty when it has none.
    QByteArray ThumbnailOfSong(qint64 songId);
    // Drops the covers no song refers to any more; how many went.
    int Prune();

private:
    CDatabase& m_db;
};
