#include "ui/ProgressWindow.h"

#include "platform/CSettings.h"
#include "ui/CEventPump.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

namespace {
constexpr int kMargin = 10;
constexpr int kEdge = 2; // stands in for the system's edge width and height
} // namespace

std::unique_ptr<ProgressWindow> ProgressWindow::Create(QWidget* parent, const QString& title,
                                                       bool smooth)
{
    return std::unique_ptr<ProgressWindow>(new ProgressWindow(parent, title, smooth));
}

ProgressWindow::ProgressWindow(QWidget* parent, const QString& title, bool smooth)
    : QWidget(parent ? parent : MainWindow(),
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    if (!title.isEmpty())
        m_title = title;
    setWindowTitle(m_title);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::BusyCursor);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setFont(QApplication::font("QMessageBox"));

    m_message = new QLabel(this);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setWordWrap(false);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    m_bar->setRange(m_lower, m_upper);
    m_bar->setValue(0);
    // Qt's styles draw one solid bar; the blocky look of the unsmoothed bar has no equal.
    Q_UNUSED(smooth);
    m_button = new QPushButton(m_cancelText, this);
    connect(m_button, &QPushButton::clicked, this, &ProgressWindow::Cancel);
    m_pump = new CEventPump(this);

    LayOut(m_lines, 390);
    RestorePosition();
    show();
}

ProgressWindow::~ProgressWindow()
{
    Destroy();
}

void ProgressWindow::LayOut(int lines, int width)
{
    m_lines = lines;
    const QFontMetrics fm(font());
    QString probe = QStringLiteral("M");
    for (int i = 1; i < lines; ++i)
        probe += QStringLiteral("\nM");
    const int textHeight = fm.boundingRect(QRect(), 0, probe).height();
    const QRect message(kMargin, kMargin, width, textHeight);

    const QSize button(fm.horizontalAdvance(m_cancelText + QStringLiteral("  ")) + 4 * kEdge,
                       fm.height() + 3 * kEdge);
    const int rowTop = message.bottom() + 1 + kMargin;
    const QRect buttonRect(message.right() + 1 - button.width(), rowTop, button.width(),
                           button.height());
    const QRect barRect(kMargin, rowTop + kEdge, buttonRect.left() - kMargin - kMargin,
                        button.height() - 2 * kEdge);

    m_message->setGeometry(message);
    m_button->setGeometry(buttonRect);
    m_bar->setGeometry(barRect);
    setFixedSize(message.right() + 1 + kMargin, buttonRect.bottom() + 1 + kMargin);
}

void ProgressWindow::RestorePosition()
{
    const int x = CSettings::Int(ESetting::X);
    const int y = CSettings::Int(ESetting::Y);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 640, 480);
    if (x < 0 || y < 0 || x >= area.width() || y >= area.height()) {
        QRect frame(QPoint(), frameGeometry().size());
        frame.moveCenter(area.center());
        move(frame.topLeft());
    } else {
        move(x, y);
    }
}

void ProgressWindow::SetRange(int lower, int upper, int step)
{
    m_lower = lower;
    m_upper = upper;
    m_step = step;
    m_bar->setRange(lower, upper);
}

void ProgressWindow::SetMessage(const QString& message)
{
    if (m_destroyed)
        return;
    m_message->setText(message);
    // The laid-out area is a minimum: the fonts here may need more room than it gives.
    const QSize text = QFontMetrics(font()).boundingRect(QRect(), 0, message).size();
    const int lines = int(message.count(u'\n')) + 1;
    if (text.width() > m_message->width() || lines > m_lines)
        LayOut(std::max(lines, m_lines), std::max(text.width(), m_message->width()));
}

QString ProgressWindow::Message() const
{
    return m_message->text();
}

int ProgressWindow::Step()
{
    SetPos(m_position + m_step);
    return m_position;
}

void ProgressWindow::SetPos(int position)
{
    if (m_destroyed)
        return;
    Show();
    m_position = position;
    const int percent = m_lower < m_upper ? position * 100 / (m_upper - m_lower) : 0;
    if (percent != m_percent) {
        m_percent = percent;
        setWindowTitle(QStringLiteral("%1 [%2%]").arg(m_title).arg(percent));
    }
    m_bar->setValue(position);
}

void ProgressWindow::Show()
{
    if (!m_destroyed && isHidden())
        show();
}

bool ProgressWindow::Pump(bool escapeAllowed)
{
    if (m_cancelled)
        return true;
    m_pump->Pump(escapeAllowed);
    if (m_pump->EscapePressed()) {
        m_pump->ClearEscape();
        Cancel();
    }
    // A quitting application must not wait for the rest of the job.
    return m_cancelled || m_pump->QuitRequested();
}

void ProgressWindow::Cancel()
{
    m_cancelled = true;
    hide();
    if (QWidget* main = MainWindow()) {
        main->raise();
        main->activateWindow();
    }
}

void ProgressWindow::Destroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    CSettings::SetInt(ESetting::X, x());
    CSettings::SetInt(ESetting::Y, y());
    hide();
}

QWidget* ProgressWindow::MainWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (qobject_cast<QMainWindow*>(w))
            return w;
    }
    return nullptr;
}
