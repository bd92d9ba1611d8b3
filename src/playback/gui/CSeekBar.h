#pragma once

#include <QProgressBar>

// The player's progress bar: a click asks to go to the place clicked.
class CSeekBar : public QProgressBar
{
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;

Q_SIGNALS:
    // The value (a second of the song) under the click.
    void SeekRequested(int value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
