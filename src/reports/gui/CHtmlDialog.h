#pragma once

#include "reports/CHtmlExport.h"

#include <QDialog>

class CPrompts;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Create HTML File": headline, name, source, columns, links, sort, colours or a
// background picture, border and numbers. Create refuses until the page can be written.
class CHtmlDialog : public QDialog
{
    Q_OBJECT
public:
    // `sessionSelected`: whether a session is highlighted in the session list; the source
    // starts on it, else on the entire database.
    CHtmlDialog(CPrompts& prompts, bool sessionSelected, QWidget* parent = nullptr);

    // The choices; the caller adds the session, the playlist and the date.
    SHtmlOptions Options() const;

    // The controls by the identifiers their texts are known by.
    QLineEdit* Headline() const { return m_headline; }
    QLineEdit* Name() const { return m_name; }
    QRadioButton* PlaylistSource() const { return m_playlist; }
    QRadioButton* SessionSource() const { return m_session; }
    QRadioButton* DatabaseSource() const { return m_database; }
    QCheckBox* Id3() const { return m_id3; }
    QCheckBox* Detailed() const { return m_detailed; }
    QCheckBox* Links() const { return m_links; }
    QCheckBox* FullPath() const { return m_fullPath; }
    QRadioButton* SortBox(int sort) const { return m_sort[sort]; }
    QRadioButton* ColourBackground() const { return m_colour; }
    QRadioButton* FileBackground() const { return m_file; }
    QComboBox* BackgroundColour() const { return m_backgroundColour; }
    QLineEdit* BackgroundFile() const { return m_backgroundFile; }
    QPushButton* Browse() const { return m_browse; }
    QComboBox* TextColour() const { return m_textColour; }
    QCheckBox* Border() const { return m_border; }
    QCheckBox* Numbers() const { return m_numbers; }
    QPushButton* CreateButton() const { return m_create; }

private:
    void OnCreate();
    void OnBrowse();
    void OnSort(int sort);

    CPrompts& m_prompts;
    bool m_sessionSelected;
    int m_sortChoice = 0;
    QLineEdit* m_headline = nullptr;
    QLineEdit* m_name = nullptr;
    QRadioButton* m_playlist = nullptr;
    QRadioButton* m_session = nullptr;
    QRadioButton* m_database = nullptr;
    QCheckBox* m_id3 = nullptr;
    QCheckBox* m_detailed = nullptr;
    QCheckBox* m_links = nullptr;
    QCheckBox* m_fullPath = nullptr;
    QRadioButton* m_sort[3] = {};
    QRadioButton* m_colour = nullptr;
    QRadioButton* m_file = nullptr;
    QComboBox* m_backgroundColour = nullptr;
    QLineEdit* m_backgroundFile = nullptr;
    QPushButton* m_browse = nullptr;
    QComboBox* m_textColour = nullptr;
    QCheckBox* m_border = nullptr;
    QCheckBox* m_numbers = nullptr;
    QPushButton* m_create = nullptr;
};
