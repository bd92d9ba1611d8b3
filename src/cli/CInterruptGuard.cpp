#include "cli/CInterruptGuard.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int signal)
{
    g_interrupted = signal;
}

} // namespace

CInterruptGuard::CInterruptGuard()
{
    g_interrupted = 0;
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previousInt);
    sigaction(SIGTERM, &action, &m_previousTerm);
}

CInterruptGuard::~CInterruptGuard()
{
    sigaction(SIGINT, &m_previousInt, nullptr);
    sigaction(SIGTERM, &m_previousTerm, nullptr);
}

bool CInterruptGuard::Interrupted()
{
    return g_interrupted != 0;
}

bool CInterruptGuard::Terminated()
{
    return g_interrupted == SIGTERM;
}

void CInterruptGuard::Raise()
{
    g_interrupted = SIGINT;
}
