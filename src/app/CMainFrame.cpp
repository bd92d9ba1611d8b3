#include "app/CMainFrame.h"

#include "app/CCdlistView.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "ui/CActionTable.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>

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

namespace {

// A width at which the song list shows its usual columns whole beside the other panes.
constexpr int kRoomyWidth = 1150;

} // namespace

void CMainFrame::FitToForm()
{
    // A first start: most of the screen (all of its width when it is narrow, as under a
    // large scale factor, so that the song list's columns have room), at least what the
    // form asks for. The form's layouts keep every text whole down to its minimum size.
    const QRect screen = this->screen()->availableGeometry();
    const QSize most(std::max(screen.width() * 4 / 5, std::min(screen.width(), kRoomyWidth)),
                     screen.height() * 4 / 5);
    resize(most.expandedTo(sizeHint()).boundedTo(screen.size()));
    move(screen.center() - rect().center());
    // Where the user left the window last time; the form restores its panes when shown.
    restoreGeometry(QByteArray::fromBase64(CSettings::String(ESetting::WindowGeometry).toLatin1()));
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        SaveGeometry();
        m_view->SaveLayout();
        m_view->OnDestroy();
    }
    event->accept();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    m_geometryDue.start();
}

void CMainFrame::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    m_geometryDue.start();
}

void CMainFrame::SaveGeometry()
{
    CSettings::SetString(ESetting::WindowGeometry, QString::fromLatin1(saveGeometry().toBase64()));
}
