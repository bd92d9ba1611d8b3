#pragma once

#include "app/options/COptionBoxes.h"

#include <QWidget>
#include <memory>

// "Library": the song list's columns. Clicking a column box tells the Options command to
// rebuild the song list's columns (UpdateLibrary).
class CLibraryPage : public QWidget
{
    Q_OBJECT
public:
    explicit CLibraryPage(QWidget* parent = nullptr);
    ~CLibraryPage() override;

    const COptionBoxes& Columns() const { return *m_columns; }
    const COptionBoxes& FileNameBox() const { return *m_fileName; }

private:
    std::unique_ptr<COptionBoxes> m_columns;
    std::unique_ptr<COptionBoxes> m_fileName;
};
