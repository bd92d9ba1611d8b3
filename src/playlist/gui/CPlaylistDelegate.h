#pragma once

#include <QStyledItemDelegate>

// A playlist entry as one line: its title and artist on the left, its length on the
// right, so that songs of the same title can be told apart.
class CPlaylistDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // "Title — Artist", as the line and its tooltip show it.
    static QString Text(const QModelIndex& index);
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};
