#include "app/options/CGeneralPage.h"

#include "platform/CWarnings.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

CGeneralPage::CGeneralPage(QWidget* parent) : QWidget(parent)
{
    auto* group = new QGroupBox(QStringLiteral("Properties"), this);
    auto* boxes = new QVBoxLayout(group);
    m_boxes = std::make_unique<COptionBoxes>(
        group, boxes,
        std::initializer_list<ESetting>{ESetting::SubDir, ESetting::AddOnSearch, ESetting::Temp,
                                        ESetting::Case, ESetting::SearchOnPath,
                                        ESetting::FastSearch});
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
