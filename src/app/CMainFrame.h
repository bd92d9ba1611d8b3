#pragma once

#include <QMainWindow>
#include <QTimer>

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
    QTimer m_geometryDue; // a moved or resized window to be written to the settings
    bool m_closed = false;
};
