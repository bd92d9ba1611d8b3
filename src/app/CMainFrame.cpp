#include "app/CMainFrame.h"

#include "app/CCdlistView.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "ui/CActionTable.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QStatusBar>

CMainFrame::CMainFrame(CCdlistView* view, QWidget* parent) : QMainWindow(parent), m_view(view)
{
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QStringLiteral("Cratewise"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    view->setParent(this);
    setCentralWidget(view);
    view->Actions().FillMenuBar(menuBar());
    // Each finished action says what it did until the next one does.
    statusBar()->setSizeGripEnabled(true);
    connect(&view->Doc(), &CCdlistDoc::Told, statusBar(),
            [bar = statusBar()](const QString& text) { bar->showMessage(text); });
}

void CMainFrame::FitToForm()
{
    const QSize size(m_view->DesignSize().width(), m_view->DesignSize().height() +
                                                       menuBar()->sizeHint().height() +
                                                       statusBar()->sizeHint().height());
    // The form scales its controls but not its fonts: below its designed size labels are
    // cut and controls overlap.
    setMinimumSize(size);
    resize(size);
    // Where the user left the window last time.
    restoreGeometry(QByteArray::fromBase64(CSettings::String(ESetting::WindowGeometry).toLatin1()));
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        CSettings::SetString(ESetting::WindowGeometry,
                             QString::fromLatin1(saveGeometry().toBase64()));
        m_view->OnDestroy();
    }
    event->accept();
}
