#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QTextBrowser;

// The manual, shown inside the program: the HTML page built into it, with a search field.
// Nothing of the desktop is needed (no file association, no browser); links to the web
// are handed to the desktop only when clicked.
class CHelpWindow : public QDialog
{
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    QTextBrowser* Browser() const { return m_browser; }
    QLineEdit* SearchField() const { return m_search; }
    QLabel* SearchResult() const { return m_result; }

    // Finds the next place the search text occurs, from the top again after the last;
    // false (and said beside the field) when it occurs nowhere.
    bool FindNext();

private:
    QTextBrowser* m_browser = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_result = nullptr;
};
