#pragma once

#include <QLineEdit>

class QMimeData;

// A text field that lets its selected text be dragged out and accepts plain text dropped
// in: a move inside the field, a move to another field, or a copy with Ctrl held.
class CDragDropEdit : public QLineEdit
{
    Q_OBJECT
public:
    enum EMode
    {
        kDragOut = 1,
        kDropIn = 2
    };

    explicit CDragDropEdit(QWidget* parent = nullptr);

    // Takes part in drag and drop with the given EMode bits; false when already registered.
    bool Register(int mode);
    bool IsRegistered() const { return m_registered; }
    int Mode() const { return m_mode; }

    // Whether the point lies on the selected text (both ends included).
    bool IsInSelection(const QPoint& point) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // Runs the window system's drag of `data` and returns the effect the target chose.
    virtual Qt::DropAction RunDrag(QMimeData* data);

private:
    struct SRange
    {
        int start = -1;
        int length = 0;
    };

    bool IsInRange(const QPoint& point, const SRange& range) const;
    int PositionAt(const QPoint& point) const;
    Qt::DropAction EffectFor(const QDropEvent* event) const;
    // A drop takes its text whole or not at all: the field's length limit leaves room
    // for it (a move within the field always has room).
    bool Fits(const QDropEvent* event) const;
    void DragSelection();
    void FinishDrag(Qt::DropAction result, const QString& text, const QPoint& pointer);
    void InsertSelected(int position, const QString& text);

    int m_mode = 0;
    bool m_registered = false;
    bool m_dragging = false;
    bool m_moveWithin = false;
    bool m_droppedIntoSelf = false;
    bool m_dragInside = false;
    bool m_pressPending = false;
    int m_dropPosition = 0;
    QPoint m_pressPoint;
    SRange m_dragged;
};
