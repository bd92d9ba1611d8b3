#pragma once

#include <QDialog>

class CPrompts;
class CVolumes;
class QPushButton;
class QTabWidget;

// "Options": five pages of settings. Each page shows the stored values when made and
// writes them back when the dialog is destroyed (the Internal Player page at once).
// Ends with kClose from Close, and kReset from Reset Defaults, Escape and the close box.
class COptionsDialog : public QDialog
{
    Q_OBJECT
public:
    enum EResult
    {
        kClose = 1,
        kReset = 2
    };
    enum EPage
    {
        kGeneral,
        kWinamp,
        kSongInfo,
        kLibrary,
        kPlayer,
        kPageCount
    };

    COptionsDialog(QWidget* parent, CPrompts& prompts, CVolumes& volumes);
    ~COptionsDialog() override;

    QTabWidget* Tabs() const { return m_tabs; }
    QWidget* Page(EPage page) const;
    QPushButton* CloseButton() const { return m_close; }
    QPushButton* ResetButton() const { return m_reset; }

    void reject() override;

private:
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_close = nullptr;
    QPushButton* m_reset = nullptr;
};
