#pragma once

#include <QFileDialog>

// A folder chooser: the file dialog without its type field, titled "Choose folder" (or
// what the folder is for), whose "Select" button returns the highlighted or typed folder,
// else the folder being shown.
class CFolderDialog : public QFileDialog
{
    Q_OBJECT
public:
    // `folder` names the folder shown first (the current directory when empty) and
    // receives the chosen one on Select.
    CFolderDialog(QWidget* parent, QString& folder);

    // Runs the dialog; the chosen folder, or empty when cancelled.
    static QString Choose(QWidget* parent, const QString& startFolder,
                          const QString& title = QString());

    void accept() override;

private:
    void HideNameAndTypeFields();

    QString& m_folder;
};
