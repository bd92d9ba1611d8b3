#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

// The wait cursor for the length of one operation. Without a window (the command line)
// there is no cursor to change.
class CWaitCursor
{
public:
    explicit CWaitCursor(Qt::CursorShape shape = Qt::WaitCursor)
        : m_shown(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_shown)
            QGuiApplication::setOverrideCursor(QCursor(shape));
    }
    ~CWaitCursor()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    bool m_shown;
};
