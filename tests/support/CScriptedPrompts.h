#pragma once

#include "platform/CPrompts.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

// Prompts for tests: records every message (text, caption, icon, buttons) and answers
// from queues. With an empty queue a message gets the safe answer (No, Cancel, Ok for a
// plain message), a file dialog or folder picker is cancelled and a warning is closed
// with its box unticked.
class CScriptedPrompts : public CPrompts
{
public:
    struct SRecord
    {
        QString text;
        QString caption;
        EIcon icon;
        EButtons buttons;
    };

    QList<SRecord> messages;
    QQueue<EAnswer> answers;
    QQueue<QString> files;   // answers of OpenFile and SaveFile
    QQueue<QString> folders; // answers of ChooseFolder
    QQueue<int> warningBoxes;
    QList<SFileDialog> fileDialogs;
    QStringList warnings;
    int insertRetryLimit = kNoRetryLimit;

    EAnswer Message(const QString& text, const QString& caption, EIcon icon,
                    EButtons buttons) override
    {
        messages.append({text, caption, icon, buttons});
        if (!answers.isEmpty())
            return answers.dequeue();
        switch (buttons) {
        case EButtons::Ok:
            return EAnswer::Ok;
        case EButtons::OkCancel:
            return EAnswer::Cancel;
        default:
            return EAnswer::No;
        }
    }
    QString OpenFile(const SFileDialog& dialog) override
    {
        fileDialogs.append(dialog);
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString SaveFile(const SFileDialog& dialog) override { return OpenFile(dialog); }
    QString ChooseFolder(const QString&, const QString& = {}) override
    {
        return folders.isEmpty() ? QString() : folders.dequeue();
    }
    int Warning(const QString& text) override
    {
        warnings.append(text);
        return warningBoxes.isEmpty() ? 0 : warningBoxes.dequeue();
    }

    int InsertRetryLimit() const override { return insertRetryLimit; }

    QStringList Texts() const
    {
        QStringList texts;
        for (const SRecord& r : messages)
            texts << r.text;
        return texts;
    }
};
