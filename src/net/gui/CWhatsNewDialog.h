#pragma once

#include <QDialog>

// "What's new?": the new features that the version file lists.
class CWhatsNewDialog : public QDialog
{
    Q_OBJECT
public:
    CWhatsNewDialog(const QString& text, QWidget* parent = nullptr);
};
