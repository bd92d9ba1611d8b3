#include "app/options/CGeneralPage.h"

#include "platform/CWarnings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

CGeneralPage::CGeneralPage(QWidget* parent, bool* ignoreAccents) : QWidget(parent)
{
    auto* group = new QGroupBox(QStringLiteral("Properties"), this);
    auto* boxes = new QVBoxLayout(group);
    m_boxes = std::make_unique<COptionBoxes>(
        group, boxes,
        std::initializer_list<ESetting>{ESetting::SubDir, ESetting::AddOnSearch, ESetting::Temp,
                                        ESetting::Case, ESetting::SearchOnPath,
                                        ESetting::FastSearch});
    if (ignoreAccents) {
        m_accents =
            new QCheckBox(QStringLiteral("Searches Ignore Acc&ents (this song database)"), group);
        m_accents->setChecked(*ignoreAccents);
        connect(m_accents, &QCheckBox::toggled, this,
                [ignoreAccents](bool on) { *ignoreAccents = on; });
        boxes->addWidget(m_accents);
    }
    m_showWarnings = new QPushButton(QStringLiteral("Show Warnings"), this);
    connect(m_showWarnings, &QPushButton::clicked, this, [] { ResetWarnings(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(m_showWarnings, 0, Qt::AlignLeft);
    layout->addStretch();
}

CGeneralPage::~CGeneralPage()
{
    m_boxes->Save();
}
