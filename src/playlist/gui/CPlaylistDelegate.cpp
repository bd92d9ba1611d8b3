#include "playlist/gui/CPlaylistDelegate.h"

#include "model/CPlaylistModel.h"
#include "platform/CText.h"

#include <QApplication>
#include <QPainter>

QString CPlaylistDelegate::Text(const QModelIndex& index)
{
    const QString title = index.data(Qt::DisplayRole).toString();
    const QString artist = index.data(CPlaylistModel::kArtistRole).toString();
    return artist.isEmpty() ? title : title + QStringLiteral(" \u2014 ") + artist;
}

QString CPlaylistDelegate::displayText(const QVariant&, const QLocale&) const
{
    return {}; // paint() draws the line itself
}

void CPlaylistDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // Background, selection and focus as the style draws them; the texts on top.
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const qint64 seconds = index.data(CPlaylistModel::kSecondsRole).toLongLong();
    const QString length = seconds >= 0 ? CText::MinutesSeconds(seconds) : QString();
    const QPalette::ColorGroup group =
        item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setPen(item.palette.color(
        group, item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(item.font);
    if (!length.isEmpty()) {
        painter->drawText(room, Qt::AlignRight | Qt::AlignVCenter, length);
        room.setRight(room.right() - item.fontMetrics.horizontalAdvance(length) - 8);
    }
    painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                      item.fontMetrics.elidedText(Text(index), Qt::ElideRight, room.width()));
    painter->restore();
}
