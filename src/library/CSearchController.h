#pragma once

#include "library/CSearch.h"

#include <QObject>
#include <functional>

class QAction;
class QComboBox;
class QLineEdit;
class CCdlistSet;
class CCdlistView;
class CLibraryListCtrl;
class CPrompts;

// What the search needs of the main form.
struct SSearchParts
{
    CCdlistSet* set = nullptr;
    CPrompts* prompts = nullptr;
    CLibraryListCtrl* songs = nullptr;
    QLineEdit* all = nullptr; // criteria fields 1182, 1067, 1068, 1069, 1070
    QLineEdit* title = nullptr;
    QLineEdit* artist = nullptr;
    QLineEdit* album = nullptr;
    QLineEdit* file = nullptr;
    QComboBox* genre = nullptr; // 1063
    QAction* search = nullptr;  // command 1061, button and F3
    std::function<void(const QString&, qint32)> addPlaylistEntry;
    std::function<void(bool)> setPlaylistChanged;

    static SSearchParts FromView(CCdlistView& view);
};

// The Search command: fills the song list with the matching songs of the whole library
// and, with AddOnSearch, appends them to the playlist.
class CSearchController : public QObject
{
    Q_OBJECT
public:
    explicit CSearchController(CCdlistView* view);
    CSearchController(SSearchParts parts, QObject* parent);

    void OnSearch();
    // The criteria as typed, the genre in its stored form.
    SSearchCriteria Criteria() const;

private:
    SSearchParts m_parts;
};
