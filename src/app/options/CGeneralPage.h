#pragma once

#include "app/options/COptionBoxes.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QPushButton;

// "General": intake and search switches, and "Show Warnings". With `ignoreAccents`, also
// the open catalogue's own switch, which the page only reports back there: refolding the
// catalogue is the caller's, once the dialog is left.
class CGeneralPage : public QWidget
{
    Q_OBJECT
public:
    explicit CGeneralPage(QWidget* parent = nullptr, bool* ignoreAccents = nullptr);
    ~CGeneralPage() override;

    const COptionBoxes& Boxes() const { return *m_boxes; }
    QPushButton* ShowWarningsButton() const { return m_showWarnings; }
    QCheckBox* AccentsBox() const { return m_accents; }

private:
    std::unique_ptr<COptionBoxes> m_boxes;
    QPushButton* m_showWarnings = nullptr;
    QCheckBox* m_accents = nullptr;
};
