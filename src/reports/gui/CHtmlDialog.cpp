#include "reports/gui/CHtmlDialog.h"

#include "platform/CPrompts.h"
#include "reports/CReportTexts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* Named(T* control, int id, const QString& tip = QString())
{
    control->setObjectName(QString::number(id));
    if (!tip.isEmpty())
        control->setToolTip(tip);
    return control;
}

QComboBox* ColourCombo(int id, const QString& initial, QWidget* parent)
{
    auto* combo = Named(new QComboBox(parent), id);
    combo->setEditable(true);
    combo->addItems({QStringLiteral("Black"), QStringLiteral("White"), QStringLiteral("Yellow"),
                     QStringLiteral("Green"), QStringLiteral("Red"), QStringLiteral("Blue")});
    combo->setCurrentText(initial);
    return combo;
}

} // namespace

CHtmlDialog::CHtmlDialog(CPrompts& prompts, bool sessionSelected, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_sessionSelected(sessionSelected)
{
    setWindowTitle(QStringLiteral("Create HTML File"));
    m_headline = Named(new QLineEdit(this), 1018, QStringLiteral("Type in the documents headline"));
    m_name = Named(new QLineEdit(this), 1030, QStringLiteral("Type in your name"));

    const QString sourceTip = QStringLiteral("Select the source");
    m_playlist = Named(new QRadioButton(QStringLiteral("Playlist"), this), 1085, sourceTip);
    m_session = Named(new QRadioButton(QStringLiteral("Selected Session"), this), 1086, sourceTip);
    m_database = Named(new QRadioButton(QStringLiteral("Entire Database"), this), 1087, sourceTip);
    auto* sources = new QButtonGroup(this);
    for (QRadioButton* button : {m_playlist, m_session, m_database})
        sources->addButton(button);
    // A source is always chosen: the one the user most likely means.
    (sessionSelected ? m_session : m_database)->setChecked(true);

    m_id3 = Named(new QCheckBox(QStringLiteral("Include ID3 Info"), this), 1092,
                  QStringLiteral("Includes ID3 information in the document"));
    m_detailed = Named(new QCheckBox(QStringLiteral("Detailed Information"), this), 1033,
                       QStringLiteral("Include detailed information (bitrate, length etc.)"));
    m_links = Named(new QCheckBox(QStringLiteral("Link to Files"), this), 1093,
                    QStringLiteral("Create links to all files in the document"));
    m_fullPath = Named(new QCheckBox(QStringLiteral("Use full Path"), this), 1021,
                       QStringLiteral("Use full path"));
    m_detailed->setEnabled(false);
    m_fullPath->setEnabled(false);
    // Clearing the main box disables the dependent one but keeps its tick.
    connect(m_id3, &QCheckBox::toggled, m_detailed, &QWidget::setEnabled);
    connect(m_links, &QCheckBox::toggled, m_fullPath, &QWidget::setEnabled);

    // One choice of three: round buttons, as a choice looks.
    const char* const sortTexts[] = {"By File Name", "By Artist", "By Album"};
    auto* sorts = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_sort[i] = Named(new QRadioButton(QString::fromLatin1(sortTexts[i]), this), 1104 + i,
                          QStringLiteral("Sort files"));
        sorts->addButton(m_sort[i]);
        connect(m_sort[i], &QRadioButton::clicked, this, [this, i] { OnSort(i); });
    }
    m_sort[0]->setChecked(true);
    connect(m_playlist, &QRadioButton::toggled, this, [this](bool playlist) {
        for (QRadioButton* button : m_sort)
            button->setEnabled(!playlist);
    });

    m_colour = Named(new QRadioButton(QStringLiteral("Background Color"), this), 1088,
                     QStringLiteral("Specify background color"));
    m_file = Named(new QRadioButton(QStringLiteral("Background File"), this), 1089,
                   QStringLiteral("Use a graphic file as background"));
    auto* backgrounds = new QButtonGroup(this);
    backgrounds->addButton(m_colour);
    backgrounds->addButton(m_file);
    // The page has the background colour unless a picture is chosen.
    m_colour->setChecked(true);
    m_backgroundColour = ColourCombo(1090, QStringLiteral("White"), this);
    m_backgroundFile = Named(new QLineEdit(this), 1032);
    m_browse = Named(new QPushButton(QStringLiteral("Browse"), this), 1095);
    connect(m_browse, &QPushButton::clicked, this, &CHtmlDialog::OnBrowse);
    m_textColour = ColourCombo(1091, QStringLiteral("Black"), this);

    m_border = Named(new QCheckBox(QStringLiteral("Table Border"), this), 1096,
                     QStringLiteral("Give all tables a border"));
    m_border->setChecked(true);
    m_numbers = Named(new QCheckBox(QStringLiteral("Add Song Numbers"), this), 1183);

    m_create = Named(new QPushButton(QStringLiteral("Create"), this), 1);
    m_create->setDefault(true);
    auto* cancel = Named(new QPushButton(QStringLiteral("Cancel"), this), 2);
    connect(m_create, &QPushButton::clicked, this, &CHtmlDialog::OnCreate);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    auto* headlineLabel = new QLabel(QStringLiteral("&Headline:"), this);
    headlineLabel->setBuddy(m_headline);
    auto* nameLabel = new QLabel(QStringLiteral("&Name:"), this);
    nameLabel->setBuddy(m_name);
    grid->addWidget(headlineLabel, 0, 0);
    grid->addWidget(m_headline, 0, 1, 1, 3);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(m_name, 1, 1, 1, 3);

    auto* sourceBox = new QGroupBox(QStringLiteral("Source"), this);
    auto* sourceLayout = new QVBoxLayout(sourceBox);
    for (QWidget* w : {static_cast<QWidget*>(m_playlist), static_cast<QWidget*>(m_session),
                       static_cast<QWidget*>(m_database)})
        sourceLayout->addWidget(w);
    auto* contentBox = new QGroupBox(QStringLiteral("Contents"), this);
    auto* contentLayout = new QVBoxLayout(contentBox);
    for (QWidget* w : {m_id3, m_detailed, m_links, m_fullPath, m_border, m_numbers})
        contentLayout->addWidget(w);
    auto* sortBox = new QGroupBox(QStringLiteral("Sort"), this);
    auto* sortLayout = new QVBoxLayout(sortBox);
    for (QRadioButton* button : m_sort)
        sortLayout->addWidget(button);
    grid->addWidget(sourceBox, 2, 0, 1, 2);
    grid->addWidget(sortBox, 2, 2, 1, 2);
    grid->addWidget(contentBox, 3, 0, 1, 2);

    auto* lookBox = new QGroupBox(QStringLiteral("Colors"), this);
    auto* look = new QGridLayout(lookBox);
    look->addWidget(m_colour, 0, 0);
    look->addWidget(m_backgroundColour, 0, 1, 1, 2);
    look->addWidget(m_file, 1, 0);
    look->addWidget(m_backgroundFile, 1, 1);
    look->addWidget(m_browse, 1, 2);
    auto* textLabel = new QLabel(QStringLiteral("&Text Color:"), lookBox);
    textLabel->setBuddy(m_textColour);
    look->addWidget(textLabel, 2, 0);
    look->addWidget(m_textColour, 2, 1, 1, 2);
    grid->addWidget(lookBox, 3, 2, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_create);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 4, 0, 1, 4);
}

void CHtmlDialog::OnSort(int sort)
{
    for (int i = 0; i < 3; ++i)
        m_sort[i]->setChecked(i == sort);
    m_sortChoice = sort;
}

void CHtmlDialog::OnBrowse()
{
    const QString file =
        m_prompts.OpenFile({QStringLiteral("Choose a background image"), QStringLiteral("*.*"),
                            QStringLiteral("Image file (*.*)|*.*||"), QString()});
    if (!file.isEmpty())
        m_backgroundFile->setText(QFileInfo(file).fileName());
}

void CHtmlDialog::OnCreate()
{
    if (m_session->isChecked() && !m_sessionSelected) {
        m_prompts.Error(CReportTexts::NoSessionSelected(), CReportTexts::Error());
        return;
    }
    const bool needFile = m_file->isChecked();
    if (!m_headline->text().isEmpty() && !m_name->text().isEmpty() &&
        (!needFile || !m_backgroundFile->text().isEmpty())) {
        accept();
        return;
    }
    if (m_headline->text().isEmpty())
        m_prompts.Exclaim(CReportTexts::NoHeadline(), CReportTexts::Incomplete());
    if (m_name->text().isEmpty())
        m_prompts.Exclaim(CReportTexts::NoName(), CReportTexts::Incomplete());
    if (needFile && m_backgroundFile->text().isEmpty())
        m_prompts.Exclaim(CReportTexts::NoBackgroundFile(), CReportTexts::Incomplete());
}

SHtmlOptions CHtmlDialog::Options() const
{
    SHtmlOptions o;
    o.headline = m_headline->text();
    o.name = m_name->text();
    if (m_playlist->isChecked())
        o.source = SHtmlOptions::ESource::Playlist;
    else if (m_session->isChecked())
        o.source = SHtmlOptions::ESource::Session;
    else if (m_database->isChecked())
        o.source = SHtmlOptions::ESource::Database;
    o.id3 = m_id3->isChecked();
    o.detailed = m_detailed->isChecked();
    o.links = m_links->isChecked();
    o.fullPath = m_fullPath->isChecked();
    o.sort = SHtmlOptions::ESort(m_sortChoice);
    if (m_colour->isChecked())
        o.background = SHtmlOptions::EBackground::Colour;
    else if (m_file->isChecked())
        o.background = SHtmlOptions::EBackground::File;
    o.backgroundColour = m_backgroundColour->currentText();
    o.backgroundFile = m_backgroundFile->text();
    o.textColour = m_textColour->currentText();
    o.border = m_border->isChecked();
    o.numbers = m_numbers->isChecked();
    return o;
}
