#include "app/options/CWinampPage.h"

#include "app/options/CWinampLocator.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

CWinampPage::CWinampPage(CPrompts& prompts, CVolumes& volumes, QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_volumes(volumes)
{
    auto* group = new QGroupBox(QStringLiteral("Winamp Options"), this);
    auto* boxes = new QVBoxLayout(group);
    m_boxes = std::make_unique<COptionBoxes>(group, boxes,
                                             std::initializer_list<COptionBoxes::SBox>{
                                                 {"Enque", "&Enqueue Files", 0},
                                                 {"LoadOnStart", "&Load on Start", 0},
                                                 {"Autoplay", "A&utoplay Files", 0},
                                                 {"Minimize", "Minimize Winamp", 0},
                                                 {"Continue", "Continues Playback", 0},
                                                 {"CloseWinamp", "Close Winamp with Cratewise", 0},
                                                 {"AutoUpd", "Auto-Update Winamp", 0},
                                             });
    m_find = new QPushButton(QStringLiteral("&Find Winamp"), this);
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
