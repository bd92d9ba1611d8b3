#include "app/options/CPlayerPage.h"

#include "platform/CSettings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

CPlayerPage::CPlayerPage(QWidget* parent) : QWidget(parent)
{
    auto* group = new QGroupBox(QStringLiteral("Equalizer"), this);
    auto* sliders = new QHBoxLayout;
    // The decoder's 32 bands of 689 Hz are grouped into these eight; each label is the
    // upper edge of its group at 44.1 kHz.
    static const char* const kEdges[kBands] = {"689 Hz",  "1.4 kHz", "2.8 kHz", "4.1 kHz",
                                               "5.5 kHz", "9.6 kHz", "14 kHz",  "22 kHz"};
    const auto labelled = [group, sliders](QSlider* slider, const QString& text) {
        auto* column = new QVBoxLayout;
        column->addWidget(slider, 1, Qt::AlignHCenter);
        auto* label = new QLabel(text, group);
        label->setAlignment(Qt::AlignHCenter);
        column->addWidget(label);
        sliders->addLayout(column);
    };
    for (int i = 0; i < kBands; ++i) {
        QSlider* band = MakeSlider(group, -100, 100);
        band->setValue(-CSettings::Int(CSettingsTable::EqBand(i)));
        band->setToolTip(QStringLiteral("Up to %1").arg(QLatin1String(kEdges[i])));
        labelled(band, QLatin1String(kEdges[i]));
        m_bands.append(band);
    }
    sliders->addSpacing(16);
    m_volume = MakeSlider(group, 0, 100);
    m_volume->setTickPosition(QSlider::TicksBothSides);
    m_volume->setTickInterval(10);
    m_volume->setValue(100 - CSettings::Int(ESetting::IntVolume));
    labelled(m_volume, QStringLiteral("Volume"));

    m_equalizer =
        new QCheckBox(QString::fromUtf8(CSettingsTable::Def(ESetting::Equalizer).field), group);
    m_equalizer->setChecked(CSettings::Bool(ESetting::Equalizer));

    auto* column = new QVBoxLayout(group);
    column->addLayout(sliders);
    column->addWidget(m_equalizer);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);

    // Connected only now, so that showing the stored values writes nothing.
    for (QSlider* slider : std::as_const(m_bands))
        connect(slider, &QSlider::valueChanged, this, &CPlayerPage::WriteSliders);
    connect(m_volume, &QSlider::valueChanged, this, &CPlayerPage::WriteSliders);
    connect(m_equalizer, &QCheckBox::clicked, this,
            [](bool checked) { CSettings::SetBool(ESetting::Equalizer, checked); });
}

QSlider* CPlayerPage::MakeSlider(QWidget* parent, int minimum, int maximum)
{
    auto* slider = new QSlider(Qt::Vertical, parent);
    // The lowest position sits at the top; values are stored negated, so up means more.
    slider->setInvertedAppearance(true);
    slider->setInvertedControls(true);
    slider->setRange(minimum, maximum);
    return slider;
}

void CPlayerPage::WriteSliders() const
{
    for (int i = 0; i < kBands; ++i)
        CSettings::SetInt(CSettingsTable::EqBand(i), -m_bands.at(i)->value());
    CSettings::SetInt(ESetting::IntVolume, 100 - m_volume->value());
}
