#pragma once

#include <csignal>

// While alive, Ctrl-C and a polite kill (SIGTERM) only raise a flag that the command looks
// at, so that it ends its job properly (what was stored is committed, an output is
// closed) instead of dying in the middle. The previous handling comes back afterwards.
class CInterruptGuard
{
public:
    CInterruptGuard();
    ~CInterruptGuard();
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;

    static bool Interrupted();
    // Whether it was a kill (SIGTERM) rather than the user's Ctrl-C.
    static bool Terminated();
    // What Ctrl-C does, for tests.
    static void Raise();

private:
    struct sigaction m_previousInt = {};
    struct sigaction m_previousTerm = {};
};
