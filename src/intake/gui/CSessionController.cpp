#include "intake/gui/CSessionController.h"

#include "intake/CSessionOperations.h"
#include "intake/CSessionTexts.h"
#include "intake/gui/CExcludedNamesDialog.h"
#include "intake/gui/CNewSessionDialog.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CPrompts.h"
#include "platform/CText.h"
#include "ui/CSessionNameDialog.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QEvent>
#include <QItemSelectionModel>
#include <QListView>
#include <QScopedValueRollback>

CSessionController::CSessionController(const SControllerContext& context,
                                       const SSessionControls& controls, QObject* parent)
    : QObject(parent), m_context(context), m_controls(controls)
{
    setObjectName(QStringLiteral("sessionController"));
    const auto on = [this](int id, void (CSessionController::*handler)()) {
        if (QAction* action = m_context.Action(id))
            connect(action, &QAction::triggered, this, handler);
    };
    on(ID_NEW_SESSION, &CSessionController::NewSession);
    on(ID_DELETE_SESSION, &CSessionController::DeleteSession);
    on(ID_RENAME_SESSION, &CSessionController::RenameSession);
    on(ID_UPDATE_SESSION, &CSessionController::UpdateSession);
    on(ID_EXCLUDED_NAMES, &CSessionController::ShowExcludedNames);
    BindList();
}

void CSessionController::BindList()
{
    QListView* list = m_controls.sessions;
    if (!list)
        return;
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_following)
            return;
        m_listedSinceClick = true;
        ReportChoice();
    });
    // A click (or Enter) on the highlighted session changes no selection, yet the song list
    // may show a search or nothing: it must list the session again, once per gesture.
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    const auto listOnce = [this] {
        if (m_listedSinceClick)
            return;
        m_listedSinceClick = true;
        ReportChoice();
    };
    connect(list, &QAbstractItemView::clicked, this, listOnce);
    connect(list, &QAbstractItemView::activated, this, listOnce);
    connect(&m_context.doc.Sessions(), &CSessionListModel::SelectionChanged, this,
            &CSessionController::FollowChoice);
}

bool CSessionController::eventFilter(QObject* watched, QEvent* event)
{
    // A press comes before the selection it makes, so a click that selects another
    // session lists it once, as does a double click.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)
        m_listedSinceClick = false;
    return QObject::eventFilter(watched, event);
}

void CSessionController::ReportChoice()
{
    const QModelIndexList rows = m_controls.sessions->selectionModel()->selectedRows();
    if (rows.isEmpty())
        m_context.doc.Sessions().Select(std::nullopt);
    else
        m_context.doc.ShowSession(rows.first().data().toString());
}

void CSessionController::FollowChoice()
{
    QListView* list = m_controls.sessions;
    const std::optional<QString> chosen = m_context.doc.SelectedSession();
    const int row = chosen ? m_context.doc.Sessions().Row(*chosen) : -1;
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    if (rows.isEmpty() ? row < 0 : rows.first().row() == row)
        return;
    const QScopedValueRollback<bool> following(m_following, true);
    list->clearSelection();
    if (row >= 0)
        list->setCurrentIndex(m_context.doc.Sessions().index(row));
}

void CSessionController::NewSession()
{
    CNewSessionDialog dialog(*m_context.services.prompts, m_context.window);
    // Cancel abandons the scan, also after a folder was chosen.
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString name = dialog.SessionName();
    const CSessionOperations::SResult result =
        CSessionOperations(m_context.doc, m_context.services).AddSession(name, dialog.Path());
    if (result.outcome == CSessionOperations::EOutcome::Done) {
        m_context.doc.ShowSession(name);
        Tell(QStringLiteral("Added %1 to the session %2."), result.stored, name);
    }
    ReportSkipped(result);
}

void CSessionController::Tell(const QString& pattern, int songs, const QString& session)
{
    m_context.doc.Tell(
        pattern.arg(CText::Songs(songs), QStringLiteral("\u201c%1\u201d").arg(session)));
}

void CSessionController::DeleteSession()
{
    const std::optional<QString> name = m_context.doc.SelectedSession();
    const CSessionOperations::SResult result =
        CSessionOperations(m_context.doc, m_context.services).DeleteSession(name);
    if (name && result.outcome == CSessionOperations::EOutcome::Done)
        Tell(QStringLiteral("Deleted %1 with the session %2."), result.deleted, *name);
}

void CSessionController::RenameSession()
{
    const std::optional<QString> name = m_context.doc.SelectedSession();
    if (!name)
        return;
    CSessionNameDialog dialog(*m_context.services.prompts, m_context.window);
    dialog.SetSessionName(*name);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CSessionOperations::SResult result = CSessionOperations(m_context.doc, m_context.services)
                                                   .RenameSession(*name, dialog.SessionName());
    if (result.outcome == CSessionOperations::EOutcome::Done)
        m_context.doc.Tell(QStringLiteral("Renamed the session \u201c%1\u201d to \u201c%2\u201d.")
                               .arg(*name, dialog.SessionName()));
}

void CSessionController::UpdateSession()
{
    const std::optional<QString> name = m_context.doc.SelectedSession();
    const CSessionOperations::SResult result =
        CSessionOperations(m_context.doc, m_context.services).UpdateSession(name);
    if (name && result.outcome == CSessionOperations::EOutcome::Done)
        m_context.doc.Tell(
            QStringLiteral("Updated the session \u201c%1\u201d: %2 added, %3 removed.")
                .arg(*name, CText::Songs(result.stored))
                .arg(result.deleted));
    ReportSkipped(result);
}

void CSessionController::ReportSkipped(const CSessionOperations::SResult& result)
{
    if (!result.cancelNote.isEmpty())
        m_context.services.prompts->Inform(result.cancelNote, QStringLiteral("Cancelled"));
    if (result.outcome == CSessionOperations::EOutcome::Done && !result.passedOver.isEmpty())
        m_context.services.prompts->Inform(CSessionTexts::PassedOver(result.passedOver),
                                           QStringLiteral("Files passed over"));
    // The count alone would hide which songs are missing from the session.
    if (result.skipped.isEmpty())
        return;
    m_context.services.prompts->Message(
        CSessionTexts::SkippedText(result.skipped, result.found, result.stored),
        QStringLiteral("Files skipped"), CPrompts::EIcon::Exclamation, CPrompts::EButtons::Ok);
}

void CSessionController::ShowExcludedNames()
{
    CExcludedNamesDialog dialog(m_context.doc.ExceptSet(), *m_context.services.prompts,
                                m_context.window);
    connect(
        &dialog, &CExcludedNamesDialog::SubmitNamesRequested, this,
        [this, &dialog](const QStringList& names) { Q_EMIT SubmitNamesRequested(names, &dialog); });
    dialog.exec();
}
