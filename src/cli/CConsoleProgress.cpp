#include "cli/CConsoleProgress.h"

#include "platform/CText.h"

#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_cancelled = 0;

void OnInterrupt(int)
{
    g_cancelled = 1;
}

constexpr int kBarWidth = 40;
constexpr qint64 kRedrawMs = 100;

} // namespace

CConsoleProgress::CConsoleProgress(const QString& caption)
    : m_caption(CText::Printable(caption)), m_terminal(isatty(STDERR_FILENO) == 1)
{
    g_cancelled = 0;
    struct sigaction action
    {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previous);
    // A polite kill ends the job as Ctrl-C does: what was stored is committed and no
    // innocent file is blamed for a crash at the next start.
    sigaction(SIGTERM, &action, &m_previousTerm);
}

CConsoleProgress::~CConsoleProgress()
{
    Draw(true);
    if (m_drawn && m_terminal)
        std::fputc('\n', stderr);
    sigaction(SIGINT, &m_previous, nullptr);
    sigaction(SIGTERM, &m_previousTerm, nullptr);
}

void CConsoleProgress::RaiseCancel()
{
    g_cancelled = 1;
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
    return g_cancelled != 0;
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
