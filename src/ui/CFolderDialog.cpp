#include "ui/CFolderDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QWidget>

CFolderDialog::CFolderDialog(QWidget* parent, QString& folder)
    : QFileDialog(parent), m_folder(folder)
{
    // The non-native dialog lets the name and type fields be hidden, as the chooser needs.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setOption(QFileDialog::ReadOnly, true);
    setWindowTitle(QStringLiteral("Choose folder"));
    setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
    setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    HideNameAndTypeFields();
}

void CFolderDialog::HideNameAndTypeFields()
{
    for (const char* name : {"fileNameEdit", "fileNameLabel", "fileTypeCombo", "fileTypeLabel"}) {
        if (auto* child = findChild<QWidget*>(QLatin1String(name)))
            child->hide();
    }
    // With the name row gone, Select sits beside Cancel rather than above it.
    if (auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
        buttons->setOrientation(Qt::Horizontal);
}

void CFolderDialog::accept()
{
    // The folder being shown, not an entry that happens to be selected in it.
    m_folder = QDir::cleanPath(directory().absolutePath());
    QDialog::accept();
}

QString CFolderDialog::Choose(QWidget* parent, const QString& startFolder)
{
    QString folder = startFolder;
    CFolderDialog dialog(parent, folder);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return folder;
}
