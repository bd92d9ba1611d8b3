#pragma once

#include <QDialog>

// The whole picture of a song's cover, scaled down only to fit the screen.
class CCoverDialog : public QDialog
{
    Q_OBJECT
public:
    CCoverDialog(const QPixmap& picture, QWidget* parent = nullptr);
};
