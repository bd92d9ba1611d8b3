#pragma once

#include <QList>
#include <QString>

class QCheckBox;
class QLayout;
class QWidget;

// Check boxes bound to integer settings: read when made, written by Save.
class COptionBoxes
{
public:
    struct SBox
    {
        const char* key;
        const char* caption;
        int def;
    };

    // Adds one box per entry to `layout`, each showing its setting's value.
    COptionBoxes(QWidget* parent, QLayout* layout, std::initializer_list<SBox> boxes);

    // Writes every box's state (0 or 1) to its setting, in the order of the list.
    void Save() const;
    QCheckBox* Box(const char* key) const;

private:
    struct SBound
    {
        QString key;
        QCheckBox* box;
    };
    QList<SBound> m_boxes;
};
