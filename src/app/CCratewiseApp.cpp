#include "app/CCratewiseApp.h"

#include "app/CCdlistView.h"
#include "app/CMainFrame.h"
#include "app/CStartup.h"
#include "cli/CCommandLine.h"
#include "cli/CSystemServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CDataDir.h"
#include "platform/CSettings.h"
#include "platform/CTempFolder.h"
#include "ui/CQtPrompts.h"
#include "ui/ProgressWindow.h"

#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <cstdio>

CCratewiseApp::CCratewiseApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Cratewise"));
    setOrganizationName(QStringLiteral("Quillfen"));
    setApplicationVersion(QStringLiteral(CRATEWISE_VERSION));
    // Lets Wayland compositors match the window to the installed menu entry and its icon.
    setDesktopFileName(QStringLiteral("cratewise"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1/cratewise.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
}

int CCratewiseApp::Main(int argc, char** argv)
{
    const int status = CCommandLine::Main(argc, argv);
    return status >= 0 ? status : RunWindow(argc, argv);
}

int CCratewiseApp::RunWindow(int argc, char** argv)
{
    CCratewiseApp app(argc, argv);
    CQtPrompts prompts;
    app.SetPrompts(&prompts);
    if (!CStartup::SettingsReadable(prompts)) {
        std::fprintf(stderr, "cratewise: %s\n", qPrintable(CSettings::ReadError()));
        return 1;
    }
    const QString dataDir = CDataDir::Resolve(CCommandLine::DataDirOption(app.arguments().mid(1)));
    PrepareDataDir(dataDir);

    CCdlistDoc doc;
    try {
        doc.OpenDatabase(CDataDir::DatabasePath(dataDir), [](const QString& caption) {
            std::unique_ptr<ProgressWindow> window =
                ProgressWindow::Create(nullptr, caption, false);
            window->LayOut(2, 250);
            return std::unique_ptr<CProgress>(std::move(window));
        });
    } catch (const CDbException& e) {
        std::fprintf(stderr, "cratewise: %s\n", qPrintable(e.Message()));
        prompts.Error(e.Message(), QStringLiteral("Cratewise"));
        return 1;
    }

    CSystemServices system(prompts, dataDir);
    SAppServices& services = system.Services();
    services.currentMonth = [] { return QDate::currentDate().month(); };
    services.desktopDir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    services.tempDir = CTempFolder::Path();
    // <prefix>/bin/cratewise reads <prefix>/share/doc/cratewise, wherever it is installed.
    services.docDir = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                      QStringLiteral("/../share/doc/cratewise"));
    services.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    auto* view = new CCdlistView(doc, services);
    CMainFrame frame(view);
    prompts.SetParent(&frame);
    frame.FitToForm();
    // The start-up questions (shortcut, upgrade, update check) appear over the window they
    // are about, not over an empty desktop.
    frame.show();
    try {
        view->OnInitialUpdate();
    } catch (const CDbException& e) {
        std::fprintf(stderr, "cratewise: %s\n", qPrintable(e.Message()));
        prompts.Error(e.Message(), QStringLiteral("Cratewise"));
        return 1;
    }
    return app.exec();
}

void CCratewiseApp::PrepareDataDir(const QString& dataDir)
{
    // The shipped readme is a resource of this library; naming it here links it in, which
    // a static library does not do for a resource nothing refers to.
    Q_INIT_RESOURCE(cratewise);
    CDataDir::EnsureReadme(dataDir);
}

bool CCratewiseApp::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const CDbException& e) {
        if (m_prompts)
            m_prompts->Exclaim(e.Message(), QStringLiteral("Database error"));
    } catch (const std::exception& e) {
        if (m_prompts)
            m_prompts->Error(QString::fromUtf8(e.what()), QStringLiteral("Cratewise"));
    }
    return false;
}
