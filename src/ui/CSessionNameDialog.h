#pragma once

#include <QDialog>

class CPrompts;
class QLineEdit;

// "Enter a Session Name": the new name of a session; OK refuses an empty one.
class CSessionNameDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CSessionNameDialog(CPrompts& prompts, QWidget* parent = nullptr);

    QString SessionName() const;
    // The field starts with this name, selected, so typing replaces it.
    void SetSessionName(const QString& name);
    void accept() override;

    // The refusal of an empty name, shared with the command line.

private:
    CPrompts& m_prompts;
    QLineEdit* m_name = nullptr;
};
