#pragma once

#include "platform/CPrompts.h"

#include <QTextStream>

// Prompts of the command line: messages go to standard error; questions take the answer
// given by --yes / --no (default: the safe answer); dialogs are cancelled.
class CConsolePrompts : public CPrompts
{
public:
    enum class EPolicy
    {
        Safe,
        Yes,
        No
    };
    explicit CConsolePrompts(EPolicy policy = EPolicy::Safe);

    EAnswer Message(const QString& text, const QString& caption, EIcon icon,
                    EButtons buttons) override;
    QString OpenFile(const SFileDialog&) override { return {}; }
    QString SaveFile(const SFileDialog&) override { return {}; }
    QString ChooseFolder(const QString&) override { return {}; }
    int Warning(const QString& text) override;

private:
    EPolicy m_policy;
    QTextStream m_err;
};
