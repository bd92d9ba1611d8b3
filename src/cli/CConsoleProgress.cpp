#include "cli/CConsoleProgress.h"

#include "platform/CText.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kBarWidth = 40;
constexpr qint64 kRedrawMs = 100;

} // namespace

CConsoleProgress::CConsoleProgress(const QString& caption)
    : m_caption(CText::Printable(caption)), m_terminal(isatty(STDERR_FILENO) == 1)
{}

CConsoleProgress::~CConsoleProgress()
{
    Draw(true);
    if (m_drawn && m_terminal)
        std::fputc('\n', stderr);
}

void CConsoleProgress::RaiseCancel()
{
    CInterruptGuard::Raise();
}

void CConsoleProgress::SetRange(int lower, int upper, int step)
{
    m_lower = lower;
    m_upper = upper;
    m_step = step;
    m_pos = lower;
}

void CConsoleProgress::SetMessage(const QString& message)
{
    // The first line says what is going on; the window's "Press Cancel" hint does not apply.
    std::fprintf(stderr, "%s\n", qPrintable(CText::Printable(message.section(u'\n', 0, 0))));
}

int CConsoleProgress::Step()
{
    const int previous = m_pos;
    m_pos = qMin(m_pos + m_step, m_upper);
    Draw(false);
    return previous;
}

void CConsoleProgress::SetPos(int position)
{
    m_pos = position;
    Draw(false);
}

bool CConsoleProgress::Pump(bool)
{
    return IsCancelled();
}

bool CConsoleProgress::IsCancelled() const
{
    return CInterruptGuard::Interrupted();
}

void CConsoleProgress::Hide()
{
    Draw(true);
    m_visible = false;
}

void CConsoleProgress::Show()
{
    m_visible = true;
}

void CConsoleProgress::Draw(bool force)
{
    if (!m_terminal || !m_visible)
        return;
    if (!force && m_drawn && m_lastDraw.isValid() && m_lastDraw.elapsed() < kRedrawMs)
        return;
    const int span = qMax(1, m_upper - m_lower);
    const int done = qBound(0, m_pos - m_lower, span);
    const int filled = int(qint64(done) * kBarWidth / span);
    std::fprintf(stderr, "\r%s [%s%s] %d/%d", qPrintable(m_caption),
                 QByteArray(filled, '#').constData(),
                 QByteArray(kBarWidth - filled, ' ').constData(), done, span);
    std::fflush(stderr);
    m_drawn = true;
    m_lastDraw.restart();
}
