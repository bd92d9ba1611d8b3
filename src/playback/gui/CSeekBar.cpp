#include "playback/gui/CSeekBar.h"

#include <QMouseEvent>

void CSeekBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || width() <= 0 || maximum() <= minimum()) {
        QProgressBar::mousePressEvent(event);
        return;
    }
    const double share = qBound(0.0, event->position().x() / width(), 1.0);
    Q_EMIT SeekRequested(minimum() + int(share * (maximum() - minimum()) + 0.5));
    event->accept();
}
