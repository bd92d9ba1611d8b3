#pragma once

#include "intake/CSessionOperations.h"
#include "ui/CControllerContext.h"

#include <QObject>
#include <QStringList>

class QListView;

// The session controller's widgets.
struct SSessionControls
{
    QListView* sessions = nullptr; // the session list, over the document's sessions
};

// The session list and the session commands of the main form: New, Delete, Rename and
// Update Session with their dialogs, and the names with leading digits. The list reports
// the user's choice to the document and highlights the document's chosen session.
class CSessionController : public QObject
{
    Q_OBJECT
public:
    CSessionController(const SControllerContext& context, const SSessionControls& controls,
                       QObject* parent);

    void NewSession();
    void DeleteSession();
    void RenameSession();
    void UpdateSession();
    void ShowExcludedNames();

Q_SIGNALS:
    // Submit New Names in the names dialog, which owns the form that follows.
    void SubmitNamesRequested(const QStringList& names, QWidget* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BindList();
    // The user's choice in the list, to the document.
    void ReportChoice();
    // The list highlights the document's chosen session.
    void FollowChoice();
    // Names the files a scan could not take in, in one message.
    void ReportSkipped(const CSessionOperations::SResult& result);
    // The status line's word: %1 the songs, %2 the session's name in quotes.
    void Tell(const QString& pattern, int songs, const QString& session);

    SControllerContext m_context;
    SSessionControls m_controls;
    // The session was listed since the last mouse or key press.
    bool m_listedSinceClick = false;
    // The list is being made to follow the document: no choice of the user's.
    bool m_following = false;
};
