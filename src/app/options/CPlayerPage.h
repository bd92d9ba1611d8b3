#pragma once

#include <QList>
#include <QWidget>

class QCheckBox;
class QSlider;

// "Internal Player": equalizer bands and volume, written at every move so that the
// playing song follows the sliders.
class CPlayerPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kBands = 8;

    explicit CPlayerPage(QWidget* parent = nullptr);

    QSlider* Band(int index) const { return m_bands.at(index); }
    QSlider* Volume() const { return m_volume; }
    QCheckBox* EqualizerBox() const { return m_equalizer; }

private:
    static QSlider* MakeSlider(QWidget* parent, int minimum, int maximum);
    void WriteSliders() const;

    QList<QSlider*> m_bands;
    QSlider* m_volume = nullptr;
    QCheckBox* m_equalizer = nullptr;
};
