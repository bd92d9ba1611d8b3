#pragma once

#include <QEventLoop>
#include <QPointer>

// Lets the user stop a network wait: the window's Cancel calls Cancel(), which ends the
// wait now. A wait given one also takes the user's clicks meanwhile (the dialog disables
// whatever must not run twice); a wait without one takes none.
class CNetCancel
{
public:
    void Cancel()
    {
        m_cancelled = true;
        if (m_waiting)
            m_waiting->quit();
    }
    bool IsCancelled() const { return m_cancelled; }
    void Reset() { m_cancelled = false; }

    // Runs the loop until it is quit or the wait is cancelled.
    static void Wait(QEventLoop& loop, CNetCancel* cancel)
    {
        if (!cancel) {
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            return;
        }
        if (cancel->m_cancelled)
            return;
        cancel->m_waiting = &loop;
        loop.exec();
        cancel->m_waiting = nullptr;
    }

private:
    bool m_cancelled = false;
    QPointer<QEventLoop> m_waiting;
};
