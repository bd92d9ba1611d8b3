#pragma once

#include "platform/CPrompts.h"

#include <QPointer>
#include <QWidget>

// The window's prompts: real message boxes and dialogs, owned by the main window.
class CQtPrompts : public CPrompts
{
public:
    explicit CQtPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    EAnswer Message(const QString& text, const QString& caption, EIcon icon,
                    EButtons buttons) override;
    QString OpenFile(const SFileDialog& dialog) override;
    QString SaveFile(const SFileDialog& dialog) override;
    QString ChooseFolder(const QString& startFolder, const QString& title = {}) override;
    int Warning(const QString& text) override;

    // "Name (*.m3u)|*.m3u|All Files (*.*)|*.*||" becomes "Name (*.m3u);;All Files (*)".
    static QString QtFilter(const QString& windowsFilter);

private:
    QPointer<QWidget> m_parent;
};
