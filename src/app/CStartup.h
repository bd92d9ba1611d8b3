#pragma once

class CCdlistView;
class CPrompts;

// The main view's initial update: everything from opening the song set to the offers
// made at the first start, once a month and after a crash, in the program's fixed order.
class CStartup
{
public:
    explicit CStartup(CCdlistView& view) : m_view(view) {}
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

    CCdlistView& m_view;
};
