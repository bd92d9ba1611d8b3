#pragma once

#include <QList>
#include <QString>
#include <functional>

class CActionTable;
class CCdlistDoc;
class CDragDropEdit;
class CPrompts;
class QSlider;
class QTimer;
struct SAppServices;

// What start-up works on: the document, services and actions every controller gets, and
// the few parts of the main view it sets going.
struct SStartupParts
{
    CCdlistDoc& doc;
    const SAppServices& services;
    const CActionTable& actions;
    QTimer& timer;
    QSlider& volume;
    QList<CDragDropEdit*> dropFields; // take text dragged from other programs
    std::function<void(const QString& oldDatabase)> upgrade;
    std::function<void()> checkForUpdate;
};

// The main view's initial update: everything from opening the song set to the offers
// made at the first start, once a month and after a crash, in the program's fixed order.
class CStartup
{
public:
    explicit CStartup(SStartupParts parts) : m_parts(std::move(parts)) {}
    void Run();
    // Before anything reads the settings: when their file cannot be read, says so and
    // returns false (the program ends rather than replace the settings).
    static bool SettingsReadable(CPrompts& prompts);

private:
    void OfferUpgrade();
    void RegisterDragAndDrop();
    void SetUpVolumeSlider();
    void StartPlayerIfWanted();
    void OfferShortcutAtFirstStart(int firstTime);
    void OfferMonthlyUpdate();
    void ReportCrashMarker();

    CPrompts& Prompts() const;

    SStartupParts m_parts;
};
