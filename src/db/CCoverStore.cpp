#include "db/CCoverStore.h"

#include "db/CDatabase.h"

#include <QCryptographicHash>

QString CCoverStore::KeyOf(const QByteArray& picture)
{
    return QString::fromLatin1(QCryptographicHash::hash(picture, QCryptographicHash::Sha1).toHex());
}

bool CCoverStore::Has(const QString& key)
{
    if (!m_db.HasCovers())
        return false;
    CStatement s(m_db, QStringLiteral("SELECT 1 FROM Covers WHERE HASH = ?"));
    s.BindText(1, key);
    return s.Step();
}

void CCoverStore::Add(const QString& key, const QByteArray& thumbnail)
{
    CStatement s(m_db, QStringLiteral("INSERT OR IGNORE INTO Covers(HASH, IMAGE) VALUES(?, ?)"));
    s.BindText(1, key);
    s.BindBlob(2, thumbnail);
    s.Step();
}

void CCoverStore::SetSongCover(qint64 songId, const QString& key)
{
    CStatement s(m_db, QStringLiteral("UPDATE Songs SET COVER = ? WHERE ID = ?"));
    s.BindText(1, key);
    s.BindInt(2, songId);
    s.Step();
}

QByteArray CCoverStore::ThumbnailOfSong(qint64 songId)
{
    if (!m_db.HasCovers())
        return {};
    CStatement s(m_db, QStringLiteral("SELECT Covers.IMAGE FROM Songs JOIN Covers ON "
                                      "Covers.HASH = Songs.COVER WHERE Songs.ID = ?"));
    s.BindInt(1, songId);
    if (!s.Step())
        return {};
    return s.Blob(0);
}

int CCoverStore::Prune()
{
    if (!m_db.HasCovers())
        return 0;
    m_db.Exec("DELETE FROM Covers WHERE HASH NOT IN "
              "(SELECT COVER FROM Songs WHERE COVER IS NOT NULL)");
    return m_db.Changes();
}
