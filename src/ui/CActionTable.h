#pragma once

#include <QHash>
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// One QAction per command identifier, with its menu text, accelerators and tooltip;
// menus, buttons and the context menu all trigger these.
class CActionTable : public QObject
{
    Q_OBJECT
public:
    explicit CActionTable(QWidget* owner);

    QAction* Action(int id) const { return m_actions.value(id); }
    const QHash<int, QAction*>& All() const { return m_actions; }

    // The main menu ("File", "Playlist", "Playback", "Options", "Help").
    void FillMenuBar(QMenuBar* bar) const;
    // The form's right-button menu.
    void FillContextMenu(QMenu* menu) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* Make(int id, const QString& text, const QString& tooltip = QString());
    void AddEditAccelerators(QWidget* owner);

    QWidget* m_owner;
    QHash<int, QAction*> m_actions;
};
