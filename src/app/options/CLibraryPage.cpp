#include "app/options/CLibraryPage.h"

#include "platform/CSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

namespace {
const QString kUpdateLibrary = QStringLiteral("UpdateLibrary");
}

CLibraryPage::CLibraryPage(QWidget* parent) : QWidget(parent)
{
    auto* group = new QGroupBox(QStringLiteral("Show in Library"), this);
    auto* column = new QVBoxLayout(group);
    m_columns = std::make_unique<COptionBoxes>(group, column,
                                               std::initializer_list<COptionBoxes::SBox>{
                                                   {"LibArtist", "Artist", 1},
                                                   {"LibAlbum", "Album", 1},
                                                   {"LibSession", "Session", 1},
                                                   {"LibBitrate", "Bitrate", 0},
                                                   {"LibLength", "Length", 0},
                                                   {"LibComment", "Comment", 0},
                                               });
    m_fileName = std::make_unique<COptionBoxes>(
        group, column,
        std::initializer_list<COptionBoxes::SBox>{
            {"ID3", "Show Filename Instead of Title in the Library", 0}});
    CSettings::SetInt(kUpdateLibrary, 0);

    for (QCheckBox* box : group->findChildren<QCheckBox*>()) {
        if (box != m_fileName->Box("ID3"))
            connect(box, &QCheckBox::clicked, this, [] { CSettings::SetInt(kUpdateLibrary, 1); });
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
