#pragma once

#include <QObject>

// Lets a job running on the GUI thread deliver pending events between its items and tells
// it when the user pressed Escape or the application was asked to quit.
class CEventPump : public QObject
{
    Q_OBJECT
public:
    explicit CEventPump(QObject* parent = nullptr);
    ~CEventPump() override;

    // Processes what is pending without waiting for more. Escape counts only when allowed.
    void Pump(bool escapeAllowed);
    bool EscapePressed() const { return m_escape; }
    bool QuitRequested() const { return m_quit; }
    void ClearEscape() { m_escape = false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_pumping = false;
    bool m_escapeAllowed = false;
    bool m_escape = false;
    bool m_quit = false;
};
