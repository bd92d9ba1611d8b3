#include "app/options/CWinampPage.h"

#include "app/options/CWinampLocator.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

CWinampPage::CWinampPage(CPrompts& prompts, CVolumes& volumes, QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_volumes(volumes)
{
    auto* group = new QGroupBox(QStringLiteral("MPD Options"), this);
    auto* boxes = new QVBoxLayout(group);
    m_boxes = std::make_unique<COptionBoxes>(
        group, boxes,
        std::initializer_list<ESetting>{ESetting::Enque, ESetting::LoadOnStart, ESetting::Autoplay,
                                        ESetting::Minimize, ESetting::Continue,
                                        ESetting::CloseWinamp, ESetting::AutoUpd});
    // Kept for the settings file; MPD runs without a window, so it has nothing to act on.
    QCheckBox* minimize = m_boxes->Box(ESetting::Minimize);
    minimize->setEnabled(false);
    minimize->setToolTip(
        QStringLiteral("MPD runs without a window: there is nothing to minimize."));
    m_find = new QPushButton(QString::fromUtf8(CSettingsTable::Def(ESetting::Winamp).field), this);
    connect(m_find, &QPushButton::clicked, this, &CWinampPage::FindWinamp);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(m_find, 0, Qt::AlignLeft);
    layout->addStretch();
}

CWinampPage::~CWinampPage()
{
    m_boxes->Save();
}

void CWinampPage::FindWinamp()
{
    // The search lets events through; the dialog must not be used or closed meanwhile.
    window()->setEnabled(false);
    CWinampLocator(m_prompts, m_volumes).Run();
    window()->setEnabled(true);
}
