#pragma once

#include <QDialog>

class QComboBox;
class QRadioButton;
class QSpinBox;

// "Random": how many songs or minutes, from the selected session or the entire database,
// optionally of one genre.
class CRandomDialog : public QDialog
{
    Q_OBJECT
public:
    // `sessionSelected`: whether "Selected Session" can be chosen. `bySongs`: the mode
    // last used (setting PbOrNm 1).
    CRandomDialog(bool sessionSelected, int amount, bool bySongs, QWidget* parent = nullptr);

    bool EntireDatabase() const;
    bool BySongs() const;
    int Amount() const;
    // "(n)" of the chosen genre; empty for none or "(NONE)".
    QString Genre() const;

    QRadioButton* SessionButton() const { return m_session; }
    QRadioButton* DatabaseButton() const { return m_database; }
    QRadioButton* TimeButton() const { return m_time; }
    QRadioButton* SongsButton() const { return m_songs; }
    QComboBox* GenreBox() const { return m_genre; }
    QSpinBox* AmountBox() const { return m_amount; }

private:
    QRadioButton* m_session = nullptr;
    QRadioButton* m_database = nullptr;
    QRadioButton* m_time = nullptr;
    QRadioButton* m_songs = nullptr;
    QComboBox* m_genre = nullptr;
    QSpinBox* m_amount = nullptr;
};
