#pragma once

#include <QLabel>

// The picture beside the tag fields: shows a cover scaled into its box and reports clicks.
class CCoverLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CCoverLabel(QWidget* parent = nullptr);

    // Shows the picture in these bytes (JPEG or PNG); empty bytes show nothing.
    void ShowPicture(const QByteArray& bytes);
    bool HasPicture() const { return !m_picture.isNull(); }

Q_SIGNALS:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fit();

    QPixmap m_picture;
};
