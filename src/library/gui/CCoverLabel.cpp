#include "library/gui/CCoverLabel.h"

#include <QMouseEvent>

CCoverLabel::CCoverLabel(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
}

void CCoverLabel::ShowPicture(const QByteArray& bytes)
{
    m_picture = QPixmap();
    if (!bytes.isEmpty())
        m_picture.loadFromData(bytes);
    setCursor(m_picture.isNull() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    Fit();
}

void CCoverLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked();
    QLabel::mouseReleaseEvent(event);
}

void CCoverLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Fit();
}

void CCoverLabel::Fit()
{
    if (m_picture.isNull())
        clear();
    else
        setPixmap(m_picture.scaled(contentsRect().size(), Qt::KeepAspectRatio,
                                   Qt::SmoothTransformation));
    // The label repaints only inside its frame; under a fractional scale factor the
    // rounded-out background covers the frame's top and left lines, so the frame too.
    update();
}
