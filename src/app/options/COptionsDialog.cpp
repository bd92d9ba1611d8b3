#include "app/options/COptionsDialog.h"

#include "app/options/CGeneralPage.h"
#include "app/options/CLibraryPage.h"
#include "app/options/CPlayerPage.h"
#include "app/options/CSongInfoPage.h"
#include "app/options/CWinampPage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

COptionsDialog::COptionsDialog(QWidget* parent, CPrompts& prompts, CVolumes& volumes,
                               bool* ignoreAccents)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Options"));
    m_tabs = new QTabWidget(this);
    m_tabs->setUsesScrollButtons(false); // all five tabs in sight
    m_tabs->addTab(new CGeneralPage(nullptr, ignoreAccents), QStringLiteral("General"));
    m_tabs->addTab(new CWinampPage(prompts, volumes), QStringLiteral("MPD"));
    m_tabs->addTab(new CSongInfoPage, QStringLiteral("Song Information"));
    m_tabs->addTab(new CLibraryPage, QStringLiteral("Library"));
    m_tabs->addTab(new CPlayerPage, QStringLiteral("Internal Player"));
    m_tabs->setCurrentIndex(kGeneral);

    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setDefault(true);
    m_reset = new QPushButton(QStringLiteral("Reset Defaults"), this);
    connect(m_close, &QPushButton::clicked, this, [this] { done(kClose); });
    connect(m_reset, &QPushButton::clicked, this, [this] { done(kReset); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_close);
    buttons->addWidget(m_reset);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
}

COptionsDialog::~COptionsDialog()
{
    // The pages write their values as they go; destroy them now, while the dialog stands.
    while (m_tabs->count() > 0) {
        QWidget* page = m_tabs->widget(0);
        m_tabs->removeTab(0);
        delete page;
    }
}

QWidget* COptionsDialog::Page(EPage page) const
{
    return m_tabs->widget(page);
}

void COptionsDialog::reject()
{
    // Escape and the close box leave as Close does: only the button resets.
    done(kClose);
}
