#pragma once

#include <QStringList>

class CCdlistDoc;
struct SAppServices;

// What happens when the main window goes away: the offer to remove the temporary copies
// of songs, and stopping and closing the external player.
class CShutdown
{
public:
    CShutdown(CCdlistDoc& doc, const SAppServices& services) : m_doc(doc), m_services(services) {}
    void Run();

    // The copies of songs (files of the known types, not folders) in the temporary folder.
    static QStringList TemporaryCopies(const QString& tempDir);

private:
    CCdlistDoc& m_doc;
    const SAppServices& m_services;
};
