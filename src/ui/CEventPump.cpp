#include "ui/CEventPump.h"

#include <QCoreApplication>
#include <QKeyEvent>

CEventPump::CEventPump(QObject* parent) : QObject(parent)
{
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_quit = true; });
    }
}

CEventPump::~CEventPump()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void CEventPump::Pump(bool escapeAllowed)
{
    // A nested call (a prompt shown from inside the job) must not lose the outer state.
    const bool wasPumping = m_pumping;
    const bool wasAllowed = m_escapeAllowed;
    m_pumping = true;
    m_escapeAllowed = escapeAllowed;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_pumping = wasPumping;
    m_escapeAllowed = wasAllowed;
    if (QCoreApplication::closingDown())
        m_quit = true;
}

bool CEventPump::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance())
        m_quit = true;
    else if (m_pumping && m_escapeAllowed && event->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Taken here: the same key must not also close the window that has the focus.
        m_escape = true;
        return true;
    }
    return false;
}
