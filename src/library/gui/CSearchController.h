#pragma once

#include "library/CSearch.h"
#include "ui/CControllerContext.h"

#include <QObject>

class QComboBox;
class QLineEdit;

// The search controller's widgets: the criteria.
struct SSearchControls
{
    QLineEdit* all = nullptr;
    QLineEdit* title = nullptr;
    QLineEdit* artist = nullptr;
    QLineEdit* album = nullptr;
    QLineEdit* file = nullptr;
    QComboBox* genre = nullptr;
};

// The Search command: fills the song list with the matching songs of the whole library
// and, with AddOnSearch, appends them to the playlist.
class CSearchController : public QObject
{
    Q_OBJECT
public:
    CSearchController(const SControllerContext& context, const SSearchControls& controls,
                      QObject* parent);

    void OnSearch();
    // The criteria as typed, the genre in its stored form.
    SSearchCriteria Criteria() const;

private:
    SControllerContext m_context;
    SSearchControls m_controls;
};
