#pragma once

#include <QLineEdit>
#include <QPalette>

// A field that only shows: it looks like text on the window, takes no Tab stop and can
// still be clicked into to copy from; `name` is what screen readers call it.
inline void MakeShowField(QLineEdit* edit, const QString& name)
{
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setFocusPolicy(Qt::ClickFocus);
    edit->setBackgroundRole(QPalette::Window);
    edit->setAutoFillBackground(false);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    edit->setPalette(palette);
    edit->setAccessibleName(name);
}
