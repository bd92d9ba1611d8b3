#pragma once

#include <QByteArray>
#include <QString>

class CCdlistDoc;
struct SAppServices;

// The songs' covers as both faces show them: the catalogue's thumbnail, which is there
// also when the song's disc or stick is not, and the full picture from the file when it
// can be reached.
class CCovers
{
public:
    CCovers(CCdlistDoc& doc, const SAppServices& services) : m_doc(doc), m_services(services) {}

    // The stored thumbnail (JPEG or PNG); empty when the song has none or is gone.
    QByteArray Thumbnail(qint64 songId);
    // The picture the file holds (or its folder's), found wherever its volume is mounted
    // now without asking for it; empty when the file cannot be reached or has none.
    QByteArray FullPicture(qint64 songId);

private:
    CCdlistDoc& m_doc;
    const SAppServices& m_services;
};
