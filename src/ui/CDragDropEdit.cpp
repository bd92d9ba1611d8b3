#include "ui/CDragDropEdit.h"

#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace {
// How far the pointer must travel from the press before a drag starts.
constexpr int kDragThreshold = 5;
} // namespace

CDragDropEdit::CDragDropEdit(QWidget* parent) : QLineEdit(parent)
{
    // Until registered the field is an ordinary edit that takes no drops.
    setAcceptDrops(false);
}

bool CDragDropEdit::Register(int mode)
{
    if (m_registered)
        return false;
    m_mode = mode;
    setAcceptDrops(true);
    setMouseTracking(true); // for the arrow cursor over the selection
    m_registered = true;
    return true;
}

int CDragDropEdit::PositionAt(const QPoint& point) const
{
    // cursorPositionAt only reads, but is not declared const.
    return qMax(0, const_cast<CDragDropEdit*>(this)->cursorPositionAt(point));
}

bool CDragDropEdit::IsInRange(const QPoint& point, const SRange& range) const
{
    if (range.start < 0 || range.length <= 0)
        return false;
    const int position = PositionAt(point);
    const int end = int(text().size());
    // Right of the text's end is empty space, not the selection.
    if (position >= end && PositionAt(point - QPoint(fontMetrics().averageCharWidth(), 0)) >= end)
        return false;
    return position >= range.start && position <= range.start + range.length;
}

bool CDragDropEdit::IsInSelection(const QPoint& point) const
{
    return IsInRange(point, {selectionStart(), int(selectedText().size())});
}

void CDragDropEdit::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_registered && (m_mode & kDragOut) && event->button() == Qt::LeftButton &&
        IsInSelection(point)) {
        m_pressPending = true;
        m_pressPoint = point;
        m_dragged = {selectionStart(), int(selectedText().size())};
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void CDragDropEdit::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_pressPending) {
        const QPoint moved = point - m_pressPoint;
        if (qAbs(moved.x()) > kDragThreshold || qAbs(moved.y()) > kDragThreshold) {
            m_pressPending = false;
            DragSelection();
        }
        event->accept();
        return;
    }
    if (m_registered && (m_mode & kDragOut) && event->buttons() == Qt::NoButton)
        setCursor(IsInSelection(point) ? Qt::ArrowCursor : Qt::IBeamCursor);
    QLineEdit::mouseMoveEvent(event);
}

void CDragDropEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressPending) {
        // Released before the drag began: an ordinary click at the press point.
        m_pressPending = false;
        FinishDrag(Qt::IgnoreAction, QString(), m_pressPoint);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CDragDropEdit::DragSelection()
{
    const QString dragged = text().mid(m_dragged.start, m_dragged.length);
    auto* data = new QMimeData;
    data->setText(dragged);
    m_moveWithin = false;
    m_droppedIntoSelf = false;
    m_dragging = true;
    const Qt::DropAction result = RunDrag(data);
    m_dragging = false;
    FinishDrag(result, dragged, mapFromGlobal(QCursor::pos()));
    m_moveWithin = false;
}

Qt::DropAction CDragDropEdit::RunDrag(QMimeData* data)
{
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    return drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

void CDragDropEdit::FinishDrag(Qt::DropAction result, const QString& text, const QPoint& pointer)
{
    const SRange dragged = m_dragged;
    if (result == Qt::MoveAction && m_moveWithin) {
        const int end = dragged.start + dragged.length;
        if (m_dropPosition >= dragged.start && m_dropPosition <= end) {
            setSelection(dragged.start, dragged.length);
            return;
        }
        int position = m_dropPosition;
        setSelection(dragged.start, dragged.length);
        del();
        if (position > end)
            position = qMax(0, position - dragged.length);
        InsertSelected(position, text);
    } else if (result == Qt::MoveAction) {
        setSelection(dragged.start, dragged.length);
        del();
    } else if (result == Qt::CopyAction) {
        if (!m_droppedIntoSelf)
            setSelection(dragged.start, dragged.length);
    } else {
        setCursorPosition(PositionAt(pointer));
    }
}

void CDragDropEdit::InsertSelected(int position, const QString& dropped)
{
    setCursorPosition(position);
    const qsizetype before = text().size();
    insert(dropped);
    setSelection(position, int(text().size() - before));
}

Qt::DropAction CDragDropEdit::EffectFor(const QDropEvent* event) const
{
    const Qt::DropActions possible = event->possibleActions();
    const Qt::DropAction wanted =
        (event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
    if (possible & wanted)
        return wanted;
    return (possible & Qt::CopyAction) ? Qt::CopyAction : Qt::IgnoreAction;
}

bool CDragDropEdit::Fits(const QDropEvent* event) const
{
    if (m_dragging && EffectFor(event) == Qt::MoveAction)
        return true;
    return text().size() + event->mimeData()->text().size() <= maxLength();
}

void CDragDropEdit::dragEnterEvent(QDragEnterEvent* event)
{
    const Qt::DropAction effect = EffectFor(event);
    if (!(m_mode & kDropIn) || !event->mimeData()->hasText() || effect == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    m_dragInside = true;
    setFocus(Qt::OtherFocusReason);
    event->setDropAction(effect);
    event->accept();
}

void CDragDropEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (!m_dragInside) {
        event->ignore();
        return;
    }
    setCursorPosition(PositionAt(event->position().toPoint()));
    if (!Fits(event)) {
        event->ignore(); // shown as a drop that is not taken
        return;
    }
    event->setDropAction(EffectFor(event));
    event->accept();
}

void CDragDropEdit::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dragInside = false;
    event->accept();
}

void CDragDropEdit::dropEvent(QDropEvent* event)
{
    const QPoint point = event->position().toPoint();
    const bool inside = m_dragInside;
    m_dragInside = false;
    // Refused, the drag takes nothing from its source.
    if (!inside || (m_dragging && IsInRange(point, m_dragged)) || !event->mimeData()->hasText() ||
        !Fits(event)) {
        event->ignore();
        return;
    }
    const Qt::DropAction effect = EffectFor(event);
    if (effect == Qt::MoveAction && m_dragging) {
        // The source finishes a move within the field once the drag is over.
        m_dropPosition = PositionAt(point);
        m_moveWithin = true;
    } else {
        InsertSelected(PositionAt(point), event->mimeData()->text());
        m_droppedIntoSelf = m_dragging;
    }
    event->setDropAction(effect);
    event->accept();
}
