#pragma once

#include <QMainWindow>

class CCdlistView;

// The main window: title "Cratewise", the main menu, no tool bar and no status bar;
// the form fills it.
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

private:
    CCdlistView* m_view;
    bool m_closed = false;
};
