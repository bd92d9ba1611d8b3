#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

// The reports of the main window: Html (the song list as a web page), Information (the
// statistics) and Check Duplicates.
class CReportsController : public QObject
{
    Q_OBJECT
public:
    CReportsController(const SControllerContext& context, QObject* parent);

    void OnExportHtml();
    void OnStatistics();
    void OnCheckDuplicates();

private:
    SControllerContext m_context;
};
