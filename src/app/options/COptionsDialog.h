#pragma once

#include <QDialog>

class CPrompts;
class CVolumes;
class QPushButton;
class QTabWidget;

// "Options": five pages of settings. Each page shows the stored values when made; check
// boxes and sliders store a change at once, text fields when the dialog is destroyed.
// Ends with kReset from Reset Defaults, and kClose from Close, Escape and the close box.
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

    // `ignoreAccents`: the open catalogue's switch (CGeneralPage), or none.
    COptionsDialog(QWidget* parent, CPrompts& prompts, CVolumes& volumes,
                   bool* ignoreAccents = nullptr);
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
