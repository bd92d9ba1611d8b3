#pragma once

#include "intake/CSessionOperations.h"
#include "ui/CControllerContext.h"

#include <QObject>
#include <QStringList>

// The session commands of the main form: New, Delete, Rename and Update Session with
// their dialogs, and the names with leading digits.
class CSessionController : public QObject
{
    Q_OBJECT
public:
    CSessionController(const SControllerContext& context, QObject* parent);

    void NewSession();
    void DeleteSession();
    void RenameSession();
    void UpdateSession();
    void ShowExcludedNames();

Q_SIGNALS:
    // Submit New Names in the names dialog, which owns the form that follows.
    void SubmitNamesRequested(const QStringList& names, QWidget* dialog);

private:
    // Highlights the session in the list, which lists its songs.
    void ShowSession(const QString& name);
    // Names the files a scan could not take in, in one message.
    void ReportSkipped(const CSessionOperations::SResult& result);

    SControllerContext m_context;
};
