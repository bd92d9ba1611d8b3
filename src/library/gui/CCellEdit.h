#pragma once

#include <QLineEdit>
#include <QStyledItemDelegate>

// The in-place editor of a song-list cell: Enter keeps the text, Escape cancels, and the
// edit widens with its text up to the list's width.
class CCellEdit : public QLineEdit
{
    Q_OBJECT
public:
    CCellEdit(QWidget* parent, int maxWidth);

private:
    void Widen();

    int m_maxWidth;
};

// Creates a CCellEdit for every cell of the song list.
class CCellEditDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};
