#include "reports/gui/CReportsController.h"

#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CPrompts.h"
#include "platform/CText.h"
#include "reports/CReportTexts.h"
#include "reports/gui/CDuplicateDialog.h"
#include "reports/gui/CHtmlDialog.h"
#include "reports/gui/CStatisticsDialog.h"
#include "ui/CWaitCursor.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QDir>

CReportsController::CReportsController(const SControllerContext& context, QObject* parent)
    : QObject(parent), m_context(context)
{
    const auto wire = [this](int id, void (CReportsController::*handler)()) {
        if (QAction* action = m_context.Action(id))
            connect(action, &QAction::triggered, this, handler);
    };
    wire(ID_EXPORT_HTML, &CReportsController::OnExportHtml);
    wire(ID_INFORMATION, &CReportsController::OnStatistics);
    wire(ID_CHECK_DUPLICATES, &CReportsController::OnCheckDuplicates);
}

void CReportsController::OnExportHtml()
{
    CPrompts& prompts = *m_context.services.prompts;
    const std::optional<QString> session = m_context.doc.SelectedSession();
    CHtmlDialog dialog(prompts, session.has_value(), m_context.window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SHtmlOptions options = dialog.Options();
    options.session = session.value_or(QString());
    options.playlist = m_context.doc.Playlist().Ids();
    const QString file = prompts.SaveFile(
        {QStringLiteral("Save as Web Page"), QStringLiteral("htm"),
         QStringLiteral("Web Page (*.htm;*.html)|*.htm;*.html|All Files (*.*)|*.*||"), QString()});
    if (file.isEmpty())
        return;
    QString error;
    bool written = false;
    {
        const CWaitCursor wait; // while writing, not while the user picks the file
        written = CHtmlExport(m_context.doc).Write(file, options, error);
    }
    if (!written)
        prompts.Error(error, QStringLiteral("File Error"));
    else
        m_context.doc.Tell(
            QStringLiteral("Wrote the web page %1.").arg(QDir::toNativeSeparators(file)));
}

void CReportsController::OnStatistics()
{
    CPrompts& prompts = *m_context.services.prompts;
    if (m_context.doc.SongCount() <= 0) {
        prompts.Exclaim(CReportTexts::EmptyStatistics(), CReportTexts::Empty());
        return;
    }
    SStatistics statistics;
    try {
        const CWaitCursor wait;
        statistics = CStatistics::Compute(m_context.doc);
    } catch (const CDbException& e) {
        prompts.Error(e.Message(), CReportTexts::Error());
        return;
    }
    CStatisticsDialog dialog(statistics, m_context.window);
    dialog.exec();
}

void CReportsController::OnCheckDuplicates()
{
    CPrompts& prompts = *m_context.services.prompts;
    CCdlistDoc& doc = m_context.doc;
    if (doc.SongCount() <= 0) {
        prompts.Exclaim(CReportTexts::EmptyDuplicates(), CReportTexts::Empty());
        return;
    }
    // The lists follow the catalogue's word on each song deleted.
    try {
        CDuplicateDialog dialog(doc, prompts, m_context.window);
        dialog.exec();
        if (dialog.Deleted() > 0)
            doc.Tell(
                QStringLiteral("Deleted the files of %1.").arg(CText::Songs(dialog.Deleted())));
    } catch (const CDbException& e) {
        prompts.Error(e.Message(), CReportTexts::Error());
    }
}
