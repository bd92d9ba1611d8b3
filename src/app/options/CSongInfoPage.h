#pragma once

#include "app/options/COptionBoxes.h"

#include <QWidget>
#include <memory>

class QButtonGroup;
class QLineEdit;

// "Song Information": how intake names songs, and which files it takes in.
class CSongInfoPage : public QWidget
{
    Q_OBJECT
public:
    explicit CSongInfoPage(QWidget* parent = nullptr);
    ~CSongInfoPage() override;

    QLineEdit* FormattingEdit() const { return m_formatting; }
    QLineEdit* RecognizedEdit() const { return m_recognized; }
    QButtonGroup* FolderGroup() const { return m_folder; }
    const COptionBoxes& Boxes() const { return *m_boxes; }

private:
    QWidget* MakeFolderGroup();

    QLineEdit* m_formatting = nullptr;
    QLineEdit* m_recognized = nullptr;
    QButtonGroup* m_folder = nullptr;
    std::unique_ptr<COptionBoxes> m_noId3;
    std::unique_ptr<COptionBoxes> m_boxes;
};
