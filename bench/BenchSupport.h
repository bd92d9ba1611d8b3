#pragma once

// What every benchmark program shares: prompts that ask nothing, a progress display that
// shows nothing, and a main that keeps the user's own settings out of reach.

#include "platform/CAllocator.h"
#include "platform/CProgress.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// The allocator set up as the program does, before any benchmark runs (a program with a
// main of its own calls CAllocator::Tune first, as the program does: the initialisation of
// an inline variable may be deferred, and then never happen).
inline const bool kAllocatorTuned = (CAllocator::Tune(), true);

// Nothing is asked or fails in a benchmark, so every message or warning counts as a fault
// of the benchmark (reported as the counter "messages"); questions get `answer`.
class CSilentPrompts : public CPrompts
{
public:
    explicit CSilentPrompts(EAnswer answer = EAnswer::Ok) : m_answer(answer) {}
    EAnswer Message(const QString&, const QString&, EIcon, EButtons) override
    {
        ++messages;
        return m_answer;
    }
    QString OpenFile(const SFileDialog&) override { return {}; }
    QString SaveFile(const SFileDialog&) override { return {}; }
    QString ChooseFolder(const QString&, const QString& = {}) override { return {}; }
    int Warning(const QString&) override
    {
        ++messages;
        return 0;
    }
    int messages = 0;

private:
    EAnswer m_answer;
};

class CNoProgress : public CProgress
{
public:
    void SetRange(int, int, int) override {}
    void SetMessage(const QString&) override {}
    int Step() override { return 0; }
    void SetPos(int) override {}
    bool Pump(bool) override { return false; }
    bool IsCancelled() const override { return false; }
    void Hide() override {}
    void Show() override {}
};

// The benchmarks' main: settings go to a temporary file, never the user's.
inline int RunBenchmarks(int argc, char** argv)
{
    CAllocator::Tune();
    QCoreApplication app(argc, argv);
    QTemporaryDir settings;
    CSettings::SetFilePath(settings.path() + QStringLiteral("/settings.ini"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
