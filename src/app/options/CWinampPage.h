#pragma once

#include "app/options/COptionBoxes.h"

#include <QWidget>
#include <memory>

class CPrompts;
class CVolumes;
class QPushButton;

// "Winamp": how the external player is driven, and "Find Winamp".
class CWinampPage : public QWidget
{
    Q_OBJECT
public:
    CWinampPage(CPrompts& prompts, CVolumes& volumes, QWidget* parent = nullptr);
    ~CWinampPage() override;

    const COptionBoxes& Boxes() const { return *m_boxes; }
    QPushButton* FindButton() const { return m_find; }

private:
    void FindWinamp();

    CPrompts& m_prompts;
    CVolumes& m_volumes;
    std::unique_ptr<COptionBoxes> m_boxes;
    QPushButton* m_find = nullptr;
};
