#include "app/CAppController.h"

#include "app/CAboutDialog.h"
#include "app/CCdlistView.h"
#include "app/CDesktopShortcut.h"
#include "app/options/COptionsCommand.h"
#include "model/CCdlistDoc.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QUrl>

CAppController::CAppController(CCdlistView& view) : QObject(&view), m_view(view)
{
    connect(view.Action(ID_CREATE_SHORTCUT), &QAction::triggered, this,
            &CAppController::CreateShortcut);
    connect(view.Action(ID_DOCUMENTATION), &QAction::triggered, this,
            &CAppController::OpenDocumentation);
    connect(view.Action(ID_APP_ABOUT), &QAction::triggered, this, &CAppController::ShowAbout);
    connect(view.Action(ID_OPTIONS), &QAction::triggered, this, &CAppController::ShowOptions);
    connect(view.Action(ID_APP_EXIT), &QAction::triggered, this,
            [this] { m_view.window()->close(); });
}

void CAppController::CreateShortcut()
{
    CDesktopShortcut::Offer(m_view.Prompts(), m_view.Services());
}

void CAppController::OpenDocumentation()
{
    const QString readme = QDir(m_view.Services().dataDir).filePath(QStringLiteral("readme.txt"));
    if (m_view.Services().openUrl)
        m_view.Services().openUrl(QUrl::fromLocalFile(readme));
}

void CAppController::ShowOptions()
{
    if (COptionsCommand::Run(&m_view, m_view.Prompts(), m_view.Volumes()))
        m_view.Doc().Songs().RebuildColumns();
}

void CAppController::ShowAbout()
{
    CAboutDialog about(&m_view, &m_view.Prompts());
    about.exec();
}
