#pragma once

#include "cli/CInterruptGuard.h"
#include "platform/CProgress.h"

#include <QElapsedTimer>
#include <QString>

// Progress of a command-line job: a bar on standard error (drawn only on a terminal)
// and Ctrl-C (or a polite kill: what was stored is committed and no innocent file is
// blamed for a crash at the next start) as its Cancel button.
class CConsoleProgress : public CProgress
{
public:
    explicit CConsoleProgress(const QString& caption);
    ~CConsoleProgress() override;
    CConsoleProgress(const CConsoleProgress&) = delete;
    CConsoleProgress& operator=(const CConsoleProgress&) = delete;

    void SetRange(int lower, int upper, int step) override;
    void SetMessage(const QString& message) override;
    int Step() override;
    void SetPos(int position) override;
    bool Pump(bool escapeAllowed) override;
    bool IsCancelled() const override;
    void Hide() override;
    void Show() override;

    // What Ctrl-C does, for tests.
    static void RaiseCancel();

private:
    void Draw(bool force);

    QString m_caption;
    int m_lower = 0;
    int m_upper = 100;
    int m_step = 1;
    int m_pos = 0;
    bool m_visible = true;
    bool m_drawn = false;
    bool m_terminal = false;
    QElapsedTimer m_lastDraw;
    CInterruptGuard m_interrupts;
};
