#include "ui/CDragDropEdit.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A field whose drag is delivered by the test instead of the window system's drag loop.
class CTestField : public CDragDropEdit
{
public:
    using CDragDropEdit::CDragDropEdit;
    std::function<Qt::DropAction(QMimeData*)> onDrag;
    int drags = 0;

protected:
    Qt::DropAction RunDrag(QMimeData* data) override
    {
        ++drags;
        const Qt::DropAction result = onDrag ? onDrag(data) : Qt::IgnoreAction;
        delete data;
        return result;
    }
};

// The point over the gap before character `index`.
QPoint PointAt(QLineEdit* field, int index)
{
    const int y = field->height() / 2;
    int first = -1;
    int last = -1;
    for (int x = 0; x < field->width(); ++x) {
        if (field->cursorPositionAt(QPoint(x, y)) == index) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    EXPECT_GE(first, 0) << "no point for position " << index;
    return QPoint((first + last) / 2, y);
}

void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& point, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, point, widget->mapToGlobal(point),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Enter, move and drop over `target` as the window system would; the chosen effect.
Qt::DropAction DropOn(QWidget* target, const QPoint& point, const QMimeData* data,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDragMoveEvent move(point, actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(point, actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

class DragDropEditTest : public ::testing::Test
{
protected:
    DragDropEditTest()
    {
        window.resize(400, 100);
        title.setGeometry(10, 10, 300, 30);
        search.setGeometry(10, 50, 300, 30);
        window.show();
        EXPECT_TRUE(title.Register(3));
        EXPECT_TRUE(search.Register(3));
    }

    // Presses inside the selection of `field` at `from` and moves the pointer by `by`.
    void Drag(CTestField& field, int from, const QPoint& by)
    {
        const QPoint start = PointAt(&field, from);
        SendMouse(&field, QEvent::MouseButtonPress, start, Qt::LeftButton);
        SendMouse(&field, QEvent::MouseMove, start + by, Qt::LeftButton);
        SendMouse(&field, QEvent::MouseButtonRelease, start + by, Qt::NoButton);
    }
    void DropInto(CTestField& source, QLineEdit& target, int at,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        source.onDrag = [&target, at, modifiers](QMimeData* data) {
            return DropOn(&target, PointAt(&target, at), data, modifiers);
        };
    }

    QWidget window;
    CTestField title{&window};
    CTestField search{&window};
};

TEST_F(DragDropEditTest, MovingWithinAFieldShiftsTheDropPointAndSelectsTheText)
{
    title.setText("abc def");
    title.setSelection(0, 3);
    DropInto(title, title, 7);
    Drag(title, 1, {40, 0});
    EXPECT_EQ(title.text(), " defabc");
    EXPECT_EQ(title.selectedText(), "abc");
    EXPECT_EQ(title.selectionStart(), 4);

    // Moving back before the selection keeps the drop point.
    title.setSelection(4, 3);
    DropInto(title, title, 0);
    Drag(title, 5, {-40, 0});
    EXPECT_EQ(title.text(), "abc def");
    EXPECT_EQ(title.selectedText(), "abc");
    EXPECT_EQ(title.selectionStart(), 0);
}

TEST_F(DragDropEditTest, DroppingOntoItsOwnSelectionChangesNothing)
{
    title.setText("abc def");
    title.setSelection(4, 3);
    Qt::DropAction answer = Qt::CopyAction;
    title.onDrag = [&](QMimeData* data) {
        answer = DropOn(&title, PointAt(&title, 5), data);
        return answer;
    };
    Drag(title, 6, {-8, 0});
    EXPECT_EQ(answer, Qt::IgnoreAction);
    EXPECT_EQ(title.text(), "abc def");
}

TEST_F(DragDropEditTest, MovingToAnotherFieldTakesTheTextThatFitsCtrlCopiesIt)
{
    title.setText("Hello World");
    title.setSelection(6, 5);
    search.setText("x");
    DropInto(title, search, 1);
    Drag(title, 8, {0, 40});
    EXPECT_EQ(title.text(), "Hello ");
    EXPECT_EQ(search.text(), "xWorld");
    EXPECT_EQ(search.selectedText(), "World");

    title.setText("Hello World");
    title.setSelection(0, 5);
    DropInto(title, search, 0, Qt::ControlModifier);
    Drag(title, 2, {0, 40});
    EXPECT_EQ(title.text(), "Hello World");
    EXPECT_EQ(title.selectedText(), "Hello");
    EXPECT_EQ(search.text(), "HelloxWorld");
    EXPECT_EQ(search.selectedText(), "Hello");

    // A field without room for the text takes none of it, and its source keeps it.
    search.setMaxLength(14);
    title.setSelection(6, 5);
    DropInto(title, search, 0);
    Drag(title, 8, {0, 40});
    EXPECT_EQ(search.text(), "HelloxWorld");
    EXPECT_EQ(title.text(), "Hello World");
}

TEST_F(DragDropEditTest, ASmallMovePlacesTheCaretInsteadOfDragging)
{
    title.setText("abc def");
    title.setSelection(0, 7);
    Drag(title, 2, {5, 5});
    EXPECT_EQ(title.drags, 0);
    EXPECT_FALSE(title.hasSelectedText());
    EXPECT_EQ(title.cursorPosition(), 2);

    title.setSelection(0, 7);
    Drag(title, 2, {6, 0});
    EXPECT_EQ(title.drags, 1);
}

TEST_F(DragDropEditTest, RefusesWhatItMayNotTake)
{
    EXPECT_FALSE(title.Register(1));
    EXPECT_EQ(title.Mode(), 3);

    CTestField plain(&window), dragOnly(&window);
    plain.setGeometry(10, 10, 300, 30);
    dragOnly.setGeometry(10, 10, 300, 30);
    dragOnly.Register(CDragDropEdit::kDragOut);
    QMimeData text;
    text.setText("song");
    EXPECT_EQ(DropOn(&plain, QPoint(5, 15), &text), Qt::IgnoreAction);
    EXPECT_EQ(DropOn(&dragOnly, QPoint(5, 15), &text), Qt::IgnoreAction);

    QMimeData image;
    image.setData("image/png", QByteArray("\x89PNG"));
    search.setText("keep");
    EXPECT_EQ(DropOn(&search, QPoint(5, 15), &image), Qt::IgnoreAction);
    EXPECT_EQ(search.text(), "keep");
    EXPECT_TRUE(plain.text().isEmpty());
}

TEST_F(DragDropEditTest, ArrowCursorOverTheSelection)
{
    title.setText("abc def");
    title.setSelection(0, 3);
    SendMouse(&title, QEvent::MouseMove, PointAt(&title, 1), Qt::NoButton);
    EXPECT_EQ(title.cursor().shape(), Qt::ArrowCursor);
    SendMouse(&title, QEvent::MouseMove, PointAt(&title, 6), Qt::NoButton);
    EXPECT_EQ(title.cursor().shape(), Qt::IBeamCursor);
    EXPECT_TRUE(title.IsInSelection(PointAt(&title, 3)));
    EXPECT_FALSE(title.IsInSelection(QPoint(title.width() - 3, title.height() / 2)));
}

} // namespace
