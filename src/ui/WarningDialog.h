#pragma once

#include <QDialog>

class CPrompts;
class QCheckBox;
class QLabel;

// A warning that can be silenced for good with "Don't show me this again".
class WarningDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WarningDialog(QWidget* parent = nullptr);

    void SetMessage(const QString& text);
    // The box's state: taken from the box only when the dialog ends with OK.
    int DontShowAgain() const { return m_dontShowAgain; }
    void SetDontShowAgain(int value);

    QCheckBox* CheckBox() const { return m_check; }
    QLabel* MessageLabel() const { return m_message; }

    void accept() override;

private:
    QLabel* m_message = nullptr;
    QCheckBox* m_check = nullptr;
    int m_dontShowAgain = 0;
};
