#pragma once

#include "platform/CPrompts.h"

#include <QSet>
#include <QTextStream>

// Prompts of the command line: messages go to the command's error stream, in order with
// its other lines; questions take the answer given by --yes / --no (default: the safe
// answer); dialogs are cancelled.
class CConsolePrompts : public CPrompts
{
public:
    enum class EPolicy
    {
        Safe,
        Yes,
        No
    };
    CConsolePrompts(EPolicy policy, QTextStream& err);

    EAnswer Message(const QString& text, const QString& caption, EIcon icon,
                    EButtons buttons) override;
    QString OpenFile(const SFileDialog&) override { return {}; }
    QString SaveFile(const SFileDialog&) override { return {}; }
    QString ChooseFolder(const QString&, const QString& = {}) override { return {}; }
    // Each warning once per command: a terminal has no box to tick, and a Multisave over a
    // thousand songs on a CD would print the same line a thousand times.
    int Warning(const QString& text) override;
    // --yes looks for the disc once more, then gives up on it.
    int InsertRetryLimit() const override { return 1; }

private:
    EPolicy m_policy;
    QTextStream& m_err;
    QSet<QString> m_warned;
};
