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
    // A pixel inside the label's edge: under a fractional scale factor (1.5) a line on the
    // edge itself falls between device pixels and its top and left sides are lost.
    setFrameRect(rect().adjusted(1, 1, -1, -1));
    Fit();
}

void CCoverLabel::Fit()
{
    if (m_picture.isNull())
        clear();
    else
        setPixmap(
            m_picture.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
