#include "app/options/COptionBoxes.h"

#include "platform/CSettings.h"

#include <QCheckBox>
#include <QLayout>

COptionBoxes::COptionBoxes(QWidget* parent, QLayout* layout,
                           std::initializer_list<ESetting> settings)
{
    for (ESetting setting : settings) {
        auto* box = new QCheckBox(QString::fromUtf8(CSettingsTable::Def(setting).field), parent);
        box->setChecked(CSettings::Bool(setting));
        layout->addWidget(box);
        // Stored when clicked, as the sliders are: nothing waits for the dialog to close.
        QObject::connect(box, &QCheckBox::toggled,
                         [setting](bool on) { CSettings::SetBool(setting, on); });
        m_boxes.append({setting, box});
    }
}

void COptionBoxes::Save() const
{
    for (const SBound& bound : m_boxes)
        CSettings::SetBool(bound.setting, bound.box->isChecked());
}

QCheckBox* COptionBoxes::Box(ESetting setting) const
{
    for (const SBound& bound : m_boxes) {
        if (bound.setting == setting)
            return bound.box;
    }
    return nullptr;
}
