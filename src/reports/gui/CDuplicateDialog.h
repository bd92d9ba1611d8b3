#pragma once

#include "reports/CDuplicateFinder.h"

#include <QDialog>

class CCdlistDoc;
class CPrompts;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// "Find Duplicates": Search/Next shows the next group of songs with the same file name or
// title, with each file's path and size; Delete removes a file and its song.
class CDuplicateDialog : public QDialog
{
    Q_OBJECT
public:
    // Reads every song's file name and title; throws CDbException.
    CDuplicateDialog(CCdlistDoc& doc, CPrompts& prompts, QWidget* parent = nullptr);

    int Deleted() const { return m_finder.Deleted(); }
    QListWidget* List() const { return m_list; }
    QLineEdit* CurrentName() const { return m_name; }
    QPushButton* SearchButton() const { return m_search; }
    QPushButton* DeleteButton() const { return m_delete; }
    QProgressBar* Progress() const { return m_progress; }

    void OnSearch();
    void OnDelete();

private:
    void ShowGroup();

    CPrompts& m_prompts;
    CDuplicateFinder m_finder;
    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_delete = nullptr;
    QProgressBar* m_progress = nullptr;
};
