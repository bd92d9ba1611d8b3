#include "app/options/CLibraryPage.h"

#include "platform/CSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

CLibraryPage::CLibraryPage(QWidget* parent) : QWidget(parent)
{
    auto* group = new QGroupBox(QStringLiteral("Show in Library"), this);
    auto* column = new QVBoxLayout(group);
    m_columns = std::make_unique<COptionBoxes>(
        group, column,
        std::initializer_list<ESetting>{
            ESetting::LibArtist, ESetting::LibAlbum, ESetting::LibTrack, ESetting::LibYear,
            ESetting::LibGenre, ESetting::LibSession, ESetting::LibBitrate, ESetting::LibLength,
            ESetting::LibComment, ESetting::LibType, ESetting::LibPath});
    m_fileName = std::make_unique<COptionBoxes>(group, column,
                                                std::initializer_list<ESetting>{ESetting::ID3});
    CSettings::SetBool(ESetting::UpdateLibrary, false);

    for (QCheckBox* box : group->findChildren<QCheckBox*>()) {
        if (box != m_fileName->Box(ESetting::ID3))
            connect(box, &QCheckBox::clicked, this,
                    [] { CSettings::SetBool(ESetting::UpdateLibrary, true); });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

CLibraryPage::~CLibraryPage()
{
    m_columns->Save();
    m_fileName->Save();
}
