#include "ui/CFolderDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

CFolderDialog::CFolderDialog(QWidget* parent, QString& folder)
    : QFileDialog(parent), m_folder(folder)
{
    // The non-native dialog lets the name and type fields be hidden, as the chooser needs.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setOption(QFileDialog::ReadOnly, true);
    // Only folders can be chosen, so only folders are listed (and highlighted into the name).
    setOption(QFileDialog::ShowDirsOnly, true);
    setWindowTitle(QStringLiteral("Choose folder"));
    setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    setLabelText(QFileDialog::FileName, QStringLiteral("Folder:"));
    setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    HideNameAndTypeFields();
}

void CFolderDialog::HideNameAndTypeFields()
{
    // The name field stays: it shows the highlighted folder and takes a typed or pasted path.
    for (const char* name : {"fileTypeCombo", "fileTypeLabel"}) {
        if (auto* child = findChild<QWidget*>(QLatin1String(name)))
            child->hide();
    }
    // With the name row gone, Select sits beside Cancel rather than above it.
    if (auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
        buttons->setOrientation(Qt::Horizontal);
}

void CFolderDialog::accept()
{
    // The highlighted or typed folder (the dialog puts a highlighted folder's name in the
    // name field), else the folder being shown.
    const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString typed = name ? name->text().trimmed() : QString();
    QString chosen = directory().absolutePath();
    if (!typed.isEmpty()) {
        chosen = QDir::isAbsolutePath(typed) ? typed : directory().filePath(typed);
        // The dialog's own reading of the field (it may have completed it meanwhile).
        if (!QFileInfo(chosen).isDir())
            chosen = selectedFiles().value(0);
        if (!QFileInfo(chosen).isDir())
            return; // not a folder: the dialog stays for another try
    }
    m_folder = QDir::cleanPath(chosen);
    QDialog::accept();
}

QString CFolderDialog::Choose(QWidget* parent, const QString& startFolder, const QString& title)
{
    QString folder = startFolder;
    CFolderDialog dialog(parent, folder);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return folder;
}
