#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAbstractButton;
class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class CCdlistSet;
class CCdlistView;
class CLibraryListCtrl;
class CPrompts;

// What the library needs of the main form: the song set, the lists, the tag fields and
// the form's state. Built from the view in the window, from bare widgets in tests.
struct SLibraryParts
{
    CCdlistSet* set = nullptr;
    CPrompts* prompts = nullptr;
    QListWidget* sessions = nullptr;
    CLibraryListCtrl* songs = nullptr;
    QLineEdit* title = nullptr; // tag fields 1019, 1033, 1034, 1035
    QLineEdit* artist = nullptr;
    QLineEdit* album = nullptr;
    QLineEdit* year = nullptr;
    QComboBox* genre = nullptr;        // 1065
    QAbstractButton* lyrics = nullptr; // 1119
    QAction* deleteFile = nullptr;     // command 32801
    QAction* updateWinamp = nullptr;   // sends the playlist to the player (AutoUpd)
    std::function<int()> songCount;
    std::function<void(int)> setSongCount;
    std::function<qint32()> currentSong;
    std::function<void(qint32)> setCurrentSong;
    std::function<void(const QString&, qint32)> addPlaylistEntry;
    std::function<void(bool)> setPlaylistChanged;

    static SLibraryParts FromView(CCdlistView& view);
};

// The session list, the song list and the tag fields: choosing a session, showing a
// song's tag, adding it to the playlist with a double click, storing cell edits and
// deleting the selected file.
class CLibraryController : public QObject
{
    Q_OBJECT
public:
    explicit CLibraryController(CCdlistView* view);
    CLibraryController(SLibraryParts parts, QObject* parent);

    // Lists the songs of the selected session (exact name) in ID order.
    void OnSessionSelected();
    void ShowSession(const QString& name);
    void OnSongClicked(int row);
    void OnSongDoubleClicked(int row);
    void OnCellEdited(int row, int column, const QString& text);
    void OnDeleteSelectedFile();
    // Shows the set's current record in the tag fields.
    void ShowTagFields();

Q_SIGNALS:
    // A Title, Artist or Album cell edit was stored: the tag fields hold the song and
    // the tag save runs for it (single save).
    void TagSaveRequested(qint32 id);
    // A Comment cell edit was stored: the comment goes into the file's tag.
    void CommentTagRequested(qint32 id, const QString& comment);

private:
    void Connect();
    // Positions the set on the row's song; false when the song is gone.
    bool FindRowSong(int row) const;
    bool StoreEdit(int column, const QString& text);

    SLibraryParts m_parts;
};
