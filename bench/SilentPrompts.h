#pragma once

#include "platform/CPrompts.h"

// Prompts for benchmarks: nothing is asked or fails there, so every message or warning
// counts as a fault of the benchmark (reported as the counter "messages").
class CSilentPrompts : public CPrompts
{
public:
    EAnswer Message(const QString&, const QString&, EIcon, EButtons) override
    {
        ++messages;
        return EAnswer::Ok;
    }
    QString OpenFile(const SFileDialog&) override { return {}; }
    QString SaveFile(const SFileDialog&) override { return {}; }
    QString ChooseFolder(const QString&) override { return {}; }
    int Warning(const QString&) override
    {
        ++messages;
        return 0;
    }
    int messages = 0;
};
