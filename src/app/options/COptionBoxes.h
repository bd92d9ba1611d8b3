#pragma once

#include "platform/CSettingsTable.h"

#include <QList>

class QCheckBox;
class QLayout;
class QWidget;

// Check boxes bound to on/off settings, captioned with the setting's Options field: read
// when made, written when clicked and again by Save.
class COptionBoxes
{
public:
    // Adds one box per setting to `layout`, each showing its setting's value.
    COptionBoxes(QWidget* parent, QLayout* layout, std::initializer_list<ESetting> settings);

    // Writes every box's state (0 or 1) to its setting, in the order of the list.
    void Save() const;
    QCheckBox* Box(ESetting setting) const;

private:
    struct SBound
    {
        ESetting setting;
        QCheckBox* box;
    };
    QList<SBound> m_boxes;
};
