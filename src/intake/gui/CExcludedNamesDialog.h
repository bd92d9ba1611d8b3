#pragma once

#include <QDialog>
#include <QStringList>

class CExceptSet;
class CPrompts;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "Names With Leading Digits": the working copy of the names that keep their leading
// digits. Save replaces the table with the list; Cancel leaves the table as it was.
class CExcludedNamesDialog : public QDialog
{
    Q_OBJECT
public:
    CExcludedNamesDialog(CExceptSet& names, CPrompts& prompts, QWidget* parent = nullptr);

    // The names in list order.
    QStringList Names() const;

    void Add();
    // Fetches the shared list from the update server and adds the names not listed yet.
    void DownloadNewNames();
    // Asks for the listed names to be mailed to the support mailbox (the feedback form).
    void SubmitNewNames();
    void WhatsThis();
    void Save();

    static const QString kHelpText;

Q_SIGNALS:
    void SubmitNamesRequested(const QStringList& names);

private:
    void Remove(QListWidgetItem* item);
    // Adds the lines not listed yet (ignoring case); returns how many were added.
    int AddNewLines(const QByteArray& text);
    bool Listed(const QString& name) const;

    CExceptSet& m_names;
    CPrompts& m_prompts;
    QLineEdit* m_edit = nullptr;
    QListWidget* m_list = nullptr;
};
