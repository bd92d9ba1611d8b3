#include "app/options/COptionBoxes.h"

#include "platform/CSettings.h"

#include <QCheckBox>
#include <QLayout>

COptionBoxes::COptionBoxes(QWidget* parent, QLayout* layout, std::initializer_list<SBox> boxes)
{
    for (const SBox& entry : boxes) {
        auto* box = new QCheckBox(QString::fromUtf8(entry.caption), parent);
        const QString key = QString::fromLatin1(entry.key);
        box->setChecked(CSettings::Int(key, entry.def) != 0);
        layout->addWidget(box);
        m_boxes.append({key, box});
    }
}

void COptionBoxes::Save() const
{
    for (const SBound& bound : m_boxes)
        CSettings::SetInt(bound.key, bound.box->isChecked() ? 1 : 0);
}

QCheckBox* COptionBoxes::Box(const char* key) const
{
    for (const SBound& bound : m_boxes) {
        if (bound.key == QLatin1String(key))
            return bound.box;
    }
    return nullptr;
}
