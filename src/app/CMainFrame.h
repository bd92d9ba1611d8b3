#pragma once

#include "ui/CDelayedSave.h"

#include <QMainWindow>

class CCdlistView;

// The main window: title "Cratewise", the main menu, no tool bar, a status line; the
// form fills it.
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMainFrame(CCdlistView* view, QWidget* parent = nullptr);
    CCdlistView* View() const { return m_view; }
    // Sizes the window for a first start, or as the user left it.
    void FitToForm();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void SaveGeometry();

    CCdlistView* m_view;
    CDelayedSave m_geometryDue{[this] {
        if (isVisible())
            SaveGeometry();
    }};
    bool m_closed = false;
};
