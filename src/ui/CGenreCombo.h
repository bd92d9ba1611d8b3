#pragma once

#include <QString>

class QComboBox;

// The genre drop-down lists of the form.
namespace CGenreCombo {

// Fills a combo box with the genre names (and "(NONE)" when asked), as the lists show them.
void Fill(QComboBox* combo, bool withNone);
// Selects the entry for a stored genre ("(17)" selects "Rock"): the first entry that
// begins with the genre's name. A number outside the table or an empty genre leaves the
// combo without a selection.
void SelectStored(QComboBox* combo, const QString& stored);

} // namespace CGenreCombo
