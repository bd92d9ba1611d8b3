#pragma once

#include <QStringList>

class CCdlistView;

// What happens when the main window goes away: the offer to remove the temporary copies
// of songs, and stopping and closing the external player.
class CShutdown
{
public:
    explicit CShutdown(CCdlistView& view) : m_view(view) {}
    void Run();

    // The copies of songs (files of the known types, not folders) in the temporary folder.
    static QStringList TemporaryCopies(const QString& tempDir);

private:
    CCdlistView& m_view;
};
