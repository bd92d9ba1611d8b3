#include "playlist/gui/CRandomDialog.h"

#include "db/CGenres.h"
#include "ui/CGenreCombo.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

namespace {

constexpr int kMaxAmount = 1900;

QRadioButton* MakeRadio(const QString& text, const QString& tip, int id, QWidget* parent)
{
    auto* button = new QRadioButton(text, parent);
    button->setToolTip(tip);
    button->setObjectName(QString::number(id));
    return button;
}

} // namespace

CRandomDialog::CRandomDialog(bool sessionSelected, int amount, bool bySongs, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Random"));
    const QString sourceTip = QStringLiteral("Choose session");
    m_session = MakeRadio(QStringLiteral("Selected Session"), sourceTip, 1112, this);
    m_database = MakeRadio(QStringLiteral("Entire Database"), sourceTip, 1113, this);
    m_time = MakeRadio(QStringLiteral("Playback Time"), QStringLiteral("Approximate playback time"),
                       1158, this);
    m_songs = MakeRadio(QStringLiteral("Songs"),
                        QStringLiteral("Number of songs added to the library"), 1155, this);
    auto* sources = new QButtonGroup(this);
    sources->addButton(m_session);
    sources->addButton(m_database);
    auto* modes = new QButtonGroup(this);
    modes->addButton(m_time);
    modes->addButton(m_songs);

    m_session->setEnabled(sessionSelected);
    (sessionSelected ? m_session : m_database)->setChecked(true);
    (bySongs ? m_songs : m_time)->setChecked(true);

    m_genre = new QComboBox(this);
    m_genre->setObjectName(QStringLiteral("1159"));
    m_genre->setToolTip(QStringLiteral("Choose song genre "));
    CGenreCombo::Fill(m_genre, true);
    m_genre->setCurrentIndex(-1);

    m_amount = new QSpinBox(this);
    m_amount->setObjectName(QStringLiteral("1018"));
    m_amount->setRange(0, kMaxAmount);
    m_amount->setValue(qBound(0, amount, kMaxAmount));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The number means songs or minutes as the mode says; the unit follows the choice.
    const auto unit = [this] {
        m_amount->setSuffix(m_songs->isChecked() ? QStringLiteral(" songs")
                                                 : QStringLiteral(" minutes"));
    };
    connect(m_songs, &QRadioButton::toggled, this, unit);
    unit();
    auto* genreLabel = new QLabel(QStringLiteral("&Genre:"), this);
    genreLabel->setBuddy(m_genre);
    auto* amountLabel = new QLabel(QStringLiteral("&Amount:"), this);
    amountLabel->setBuddy(m_amount);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_session, 0, 0, 1, 2);
    grid->addWidget(m_database, 1, 0, 1, 2);
    grid->addWidget(m_time, 0, 2);
    grid->addWidget(m_songs, 1, 2);
    grid->addWidget(genreLabel, 2, 0);
    grid->addWidget(m_genre, 2, 1, 1, 2);
    grid->addWidget(amountLabel, 3, 0);
    grid->addWidget(m_amount, 3, 1);
    grid->addWidget(buttons, 4, 0, 1, 3);
}

bool CRandomDialog::EntireDatabase() const
{
    return !m_session->isChecked();
}

bool CRandomDialog::BySongs() const
{
    return m_songs->isChecked();
}

int CRandomDialog::Amount() const
{
    return m_amount->value();
}

QString CRandomDialog::Genre() const
{
    return CGenres::StoredForm(m_genre->currentText());
}
