#include "app/options/CSongInfoPage.h"

#include "media/CAudioFormat.h"
#include "platform/CSettings.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QString Caption(ESetting setting)
{
    return QString::fromUtf8(CSettingsTable::Def(setting).field);
}
} // namespace

CSongInfoPage::CSongInfoPage(QWidget* parent) : QWidget(parent)
{
    auto* group = new QGroupBox(QStringLiteral("Retrieve Song Information"), this);
    auto* column = new QVBoxLayout(group);

    auto* fields = new QFormLayout;
    m_formatting = new QLineEdit(CSettings::String(ESetting::Formatting), group);
    fields->addRow(Caption(ESetting::Formatting), m_formatting);
    fields->addRow(QString(), new QLabel(QStringLiteral("%1 Artist, %2 Title, %3 Album"), group));
    column->addLayout(fields);

    m_noId3 = std::make_unique<COptionBoxes>(group, column,
                                             std::initializer_list<ESetting>{ESetting::NoID3});
    column->addWidget(MakeFolderGroup());

    auto* types = new QFormLayout;
    m_recognized = new QLineEdit(CSettings::String(ESetting::Recognized), group);
    types->addRow(Caption(ESetting::Recognized), m_recognized);
    types->addRow(
        QString(),
        new QLabel(QStringLiteral("Types that can be listed: %1").arg(CAudioFormat::KnownTypes()),
                   group));
    column->addLayout(types);

    m_boxes = std::make_unique<COptionBoxes>(group, column,
                                             std::initializer_list<ESetting>{ESetting::UnderScore,
                                                                             ESetting::RemTrack,
                                                                             ESetting::Rename});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

QWidget* CSongInfoPage::MakeFolderGroup()
{
    auto* box = new QGroupBox(Caption(ESetting::Folder), this);
    auto* row = new QHBoxLayout(box);
    m_folder = new QButtonGroup(box);
    const char* captions[] = {"Nothing", "Artist", "Album"};
    for (int id = 0; id < 3; ++id) {
        auto* radio = new QRadioButton(QLatin1String(captions[id]), box);
        m_folder->addButton(radio, id);
        row->addWidget(radio);
    }
    // A stored value outside the group leaves no button ticked, as a radio group does.
    if (QAbstractButton* checked = m_folder->button(CSettings::Int(ESetting::Folder)))
        checked->setChecked(true);
    return box;
}

CSongInfoPage::~CSongInfoPage()
{
    CSettings::SetString(ESetting::Formatting, m_formatting->text());
    m_noId3->Save();
    CSettings::SetInt(ESetting::Folder, qMax(0, m_folder->checkedId()));
    m_boxes->Save();
    // A field left without a type would make every scan find nothing.
    const QString recognized = m_recognized->text();
    CSettings::SetString(ESetting::Recognized, recognized.trimmed().isEmpty()
                                                   ? CSettingsTable::Default(ESetting::Recognized)
                                                   : recognized);
}
