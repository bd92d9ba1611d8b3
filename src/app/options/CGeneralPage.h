#pragma once

#include "app/options/COptionBoxes.h"

#include <QWidget>
#include <memory>

class QPushButton;

// "General": intake and search switches, and "Show Warnings".
class CGeneralPage : public QWidget
{
    Q_OBJECT
public:
    explicit CGeneralPage(QWidget* parent = nullptr);
    ~CGeneralPage() override;

    const COptionBoxes& Boxes() const { return *m_boxes; }
    QPushButton* ShowWarningsButton() const { return m_showWarnings; }

private:
    std::unique_ptr<COptionBoxes> m_boxes;
    QPushButton* m_showWarnings = nullptr;
};
