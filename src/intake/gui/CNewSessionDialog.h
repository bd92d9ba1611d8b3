#pragma once

#include <QDialog>

class CPrompts;
class QLabel;
class QLineEdit;

// "Add a CD or Directory With Mp3 Files": a session name and a folder chosen through
// "&Browse". OK stays open until both are given.
class CNewSessionDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CNewSessionDialog(CPrompts& prompts, QWidget* parent = nullptr);

    QString SessionName() const;
    QString Path() const { return m_path; }

    void accept() override;

private:
    void Browse();

    CPrompts& m_prompts;
    QLineEdit* m_name = nullptr;
    QLabel* m_pathLabel = nullptr;
    QString m_path;
};
