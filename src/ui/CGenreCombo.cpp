#include "ui/CGenreCombo.h"

#include "db/CGenres.h"

#include <QComboBox>

void CGenreCombo::Fill(QComboBox* combo, bool withNone)
{
    combo->clear();
    combo->addItems(CGenres::SortedNames(withNone));
    // About twenty rows: a list as tall as the screen hides where it came from. Styles that
    // open the list over the box ignore the limit unless told otherwise.
    combo->setMaxVisibleItems(20);
    combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    combo->setCurrentIndex(-1);
}

void CGenreCombo::SelectStored(QComboBox* combo, const QString& stored)
{
    combo->setCurrentIndex(-1);
    // A text no genre of the table names ("Nu Gaze") is no number: it shows no genre.
    if (stored.size() < 3 || stored.front() != u'(' || !stored.at(1).isDigit())
        return;
    const int n = CGenres::NumberOf(stored);
    if (n < 0 || n >= CGenres::kNamed)
        return;
    const QString name = CGenres::Name(n);
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).startsWith(name)) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}
