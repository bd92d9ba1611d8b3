#include "library/gui/CCoverDialog.h"

#include "library/CLibraryTexts.h"

#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

CCoverDialog::CCoverDialog(const QPixmap& picture, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(CLibraryTexts::CoverCaption());
    const QScreen* screen = parent ? parent->screen() : nullptr;
    const QSize room = screen ? screen->availableGeometry().size() * 9 / 10 : QSize(1024, 768);
    auto* label = new QLabel(this);
    label->setAlignment(Qt::AlignCenter);
    label->setPixmap(picture.width() > room.width() || picture.height() > room.height()
                         ? picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                         : picture);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
}
