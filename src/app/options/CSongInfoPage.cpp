#include "app/options/CSongInfoPage.h"

#include "media/CNamingRules.h"
#include "platform/CSettings.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString kFormatting = QStringLiteral("Formatting");
const QString kFolder = QStringLiteral("Folder");
const QString kRecognized = QStringLiteral("Recognized");
} // namespace

CSongInfoPage::CSongInfoPage(QWidget* parent) : QWidget(parent)
{
    auto* group = new QGroupBox(QStringLiteral("Retrieve Song Information"), this);
    auto* column = new QVBoxLayout(group);

    auto* fields = new QFormLayout;
    m_formatting = new QLineEdit(
        CSettings::String(kFormatting, QLatin1String(CNamingRules::kDefaultFormatting)), group);
    fields->addRow(QStringLiteral("Formatting:"), m_formatting);
    fields->addRow(QString(), new QLabel(QStringLiteral("%1 Artist, %2 Title, %3 Album"), group));
    column->addLayout(fields);

    m_noId3 = std::make_unique<COptionBoxes>(
        group, column,
        std::initializer_list<COptionBoxes::SBox>{{"NoID3", "Don't use ID3 Tags", 0}});
    column->addWidget(MakeFolderGroup());

    auto* types = new QFormLayout;
    m_recognized = new QLineEdit(CSettings::String(kRecognized, QStringLiteral("mp2 mp3")), group);
    types->addRow(QStringLiteral("Recognized filetypes"), m_recognized);
    column->addLayout(types);

    m_boxes = std::make_unique<COptionBoxes>(
        group, column,
        std::initializer_list<COptionBoxes::SBox>{
            {"UnderScore", "Replace underscores (_) by spaces", 0},
            {"RemTrack", "Remove track-numbers", 0},
            {"Rename", "Rename files according to formatting string", 0},
        });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

QWidget* CSongInfoPage::MakeFolderGroup()
{
    auto* box = new QGroupBox(QStringLiteral("Use Folder as..."), this);
    auto* row = new QHBoxLayout(box);
    m_folder = new QButtonGroup(box);
    const char* captions[] = {"Nothing", "Artist", "Album"};
    for (int id = 0; id < 3; ++id) {
        auto* radio = new QRadioButton(QLatin1String(captions[id]), box);
        m_folder->addButton(radio, id);
        row->addWidget(radio);
    }
    // A stored value outside the group leaves no button ticked, as a radio group does.
    if (QAbstractButton* checked = m_folder->button(CSettings::Int(kFolder, 0)))
        checked->setChecked(true);
    return box;
}

CSongInfoPage::~CSongInfoPage()
{
    CSettings::SetString(kFormatting, m_formatting->text());
    m_noId3->Save();
    CSettings::SetInt(kFolder, m_folder->checkedId() < 0 ? 0 : m_folder->checkedId());
    m_boxes->Save();
    const QString recognized = m_recognized->text();
    CSettings::SetString(kRecognized,
                         recognized.isEmpty() ? QStringLiteral("mp3 mp2") : recognized);
}
