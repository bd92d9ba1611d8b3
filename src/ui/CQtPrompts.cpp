#include "ui/CQtPrompts.h"

#include "ui/CFolderDialog.h"
#include "ui/WarningDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(CPrompts::EIcon icon)
{
    switch (icon) {
    case CPrompts::EIcon::Information:
        return QMessageBox::Information;
    case CPrompts::EIcon::Question:
        return QMessageBox::Question;
    case CPrompts::EIcon::Exclamation:
        return QMessageBox::Warning;
    case CPrompts::EIcon::Error:
        return QMessageBox::Critical;
    case CPrompts::EIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(CPrompts::EButtons buttons)
{
    switch (buttons) {
    case CPrompts::EButtons::Ok:
        return QMessageBox::Ok;
    case CPrompts::EButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case CPrompts::EButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case CPrompts::EButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

CPrompts::EAnswer FromQt(int button, CPrompts::EButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return CPrompts::EAnswer::Ok;
    case QMessageBox::Yes:
        return CPrompts::EAnswer::Yes;
    case QMessageBox::No:
        return CPrompts::EAnswer::No;
    default:
        break;
    }
    // Escape on a Yes/No box means No.
    return buttons == CPrompts::EButtons::YesNo ? CPrompts::EAnswer::No : CPrompts::EAnswer::Cancel;
}

QString WithExtension(QString path, const QString& extension)
{
    if (!path.isEmpty() && !extension.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += u'.' + extension;
    return path;
}

} // namespace

CPrompts::EAnswer CQtPrompts::Message(const QString& text, const QString& caption, EIcon icon,
                                      EButtons buttons)
{
    QMessageBox box(ToQt(icon), caption, text, ToQt(buttons), m_parent);
    return FromQt(box.exec(), buttons);
}

QString CQtPrompts::OpenFile(const SFileDialog& dialog)
{
    return QFileDialog::getOpenFileName(m_parent, dialog.title, dialog.fileName,
                                        QtFilter(dialog.filter));
}

QString CQtPrompts::SaveFile(const SFileDialog& dialog)
{
    QFileDialog box(m_parent, dialog.title, dialog.fileName, QtFilter(dialog.filter));
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setDefaultSuffix(dialog.defaultExtension);
    // The program replaces existing files without asking.
    box.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return {};
    return WithExtension(box.selectedFiles().constFirst(), dialog.defaultExtension);
}

QString CQtPrompts::ChooseFolder(const QString& startFolder, const QString& title)
{
    return CFolderDialog::Choose(m_parent, startFolder, title);
}

int CQtPrompts::Warning(const QString& text)
{
    WarningDialog dialog(m_parent);
    dialog.SetMessage(text);
    dialog.SetDontShowAgain(0);
    dialog.exec();
    return dialog.DontShowAgain();
}

QString CQtPrompts::QtFilter(const QString& windowsFilter)
{
    const QStringList parts = windowsFilter.split(u'|', Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ').replace(QLatin1String("*.*"), QLatin1String("*"));
        QString name = parts[i];
        const qsizetype paren = name.indexOf(u'(');
        if (paren >= 0)
            name = name.left(paren).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(name, patterns);
    }
    return filters.join(QLatin1String(";;"));
}
