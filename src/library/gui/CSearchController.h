#pragma once

#include "library/CSearch.h"
#include "ui/CControllerContext.h"

#include <QObject>

// The Search command: fills the song list with the matching songs of the whole library
// and, with AddOnSearch, appends them to the playlist.
class CSearchController : public QObject
{
    Q_OBJECT
public:
    CSearchController(const SControllerContext& context, QObject* parent);

    void OnSearch();
    // The criteria as typed, the genre in its stored form.
    SSearchCriteria Criteria() const;

private:
    SControllerContext m_context;
};
