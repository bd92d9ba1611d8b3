#pragma once

#include "platform/CProgress.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class CEventPump;
class QLabel;
class QProgressBar;
class QPushButton;

// The small topmost window of a long job: a message, a bar and Cancel. The job steps it
// once per item and pumps events between items; Escape or Cancel stops the job at its
// next Pump. The window's last position is kept in the settings "X" and "Y".
class ProgressWindow : public QWidget, public CProgress
{
    Q_OBJECT
public:
    // Builds and shows the window at once; with no parent the main window owns it.
    static std::unique_ptr<ProgressWindow> Create(QWidget* parent, const QString& title,
                                                  bool smooth);
    ~ProgressWindow() override;

    // Sizes the message area for `lines` lines of text and `width` pixels.
    void LayOut(int lines, int width);

    void SetRange(int lower, int upper, int step) override;
    void SetMessage(const QString& message) override;
    int Step() override;
    void SetPos(int position) override;
    bool Pump(bool escapeAllowed) override;
    bool IsCancelled() const override { return m_cancelled; }
    void Hide() override { hide(); }
    void Show() override;

    void Cancel();
    // Stores the position and closes the window; the destructor does it when not done.
    void Destroy();

    int Position() const { return m_position; }
    QString Message() const;
    QPushButton* CancelButton() const { return m_button; }

protected:
    ProgressWindow(QWidget* parent, const QString& title, bool smooth);

private:
    void RestorePosition();
    static QWidget* MainWindow();

    bool m_cancelled = false;
    bool m_destroyed = false;
    int m_position = 0;
    int m_percent = 0;
    int m_step = 1;
    int m_upper = 100;
    int m_lower = 0;
    int m_lines = 4;
    QString m_title = QStringLiteral("Progress");
    QString m_cancelText = QStringLiteral(" Cancel ");
    QLabel* m_message = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_button = nullptr;
    CEventPump* m_pump = nullptr;
};
