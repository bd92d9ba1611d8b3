#include "library/gui/CCellEdit.h"

#include <QAbstractItemView>

CCellEdit::CCellEdit(QWidget* parent, int maxWidth) : QLineEdit(parent), m_maxWidth(maxWidth)
{
    connect(this, &QLineEdit::textChanged, this, &CCellEdit::Widen);
}

void CCellEdit::Widen()
{
    const int wanted = fontMetrics().horizontalAdvance(text()) + 5;
    if (wanted <= width())
        return;
    resize(std::min(wanted, std::max(width(), m_maxWidth - x())), height());
}

QWidget* CCellEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex&) const
{
    auto* edit = new CCellEdit(parent, parent->width());
    edit->setFrame(true);
    return edit;
}

void CCellEditDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                             const QModelIndex&) const
{
    QRect r = option.rect;
    if (editor->parentWidget())
        r.setRight(std::min(r.right(), editor->parentWidget()->width() - 1));
    editor->setGeometry(r);
}
