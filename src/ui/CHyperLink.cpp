#include "ui/CHyperLink.h"

#include "ui/CQtPrompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

const QColor CHyperLink::kNormalColour(0, 0, 255);
const QColor CHyperLink::kFocusColour(0, 128, 128);
const QColor CHyperLink::kVisitedColour(128, 0, 128);
const QColor CHyperLink::kHoverColour(255, 0, 0);

CHyperLink::CHyperLink(const QString& text, QWidget* parent, const QString& url)
    : QLabel(text, parent), m_url(url.isEmpty() ? text : url)
{
    if (text.isEmpty())
        setText(m_url);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::TabFocus);
    ApplyFont(font());
    if (!(m_style & kNormalCursor))
        setCursor(Qt::PointingHandCursor);
    setToolTip(m_url);
    UpdateLook();
}

CHyperLink::~CHyperLink() = default;

void CHyperLink::SetUrl(const QString& url)
{
    m_url = url;
    if (text().isEmpty())
        setText(url);
    Refit();
    setToolTip(url);
}

bool CHyperLink::ModifyLinkStyle(int remove, int add, bool apply)
{
    if (remove & add)
        return false;
    const int old = m_style;
    m_style = (m_style & ~remove) | add;
    if (apply) {
        if ((old ^ m_style) & kUnderline)
            ApplyFont(font());
        if (add & kAutoSize)
            Refit();
        if ((old ^ m_style) & kNormalCursor) {
            if (m_style & kNormalCursor)
                unsetCursor();
            else
                setCursor(Qt::PointingHandCursor);
        }
        UpdateLook();
    }
    return true;
}

void CHyperLink::ApplyFont(const QFont& font)
{
    QFont link(font);
    link.setUnderline(m_style & kUnderline);
    setFont(link);
    Refit();
}

void CHyperLink::Refit()
{
    if (!(m_style & kAutoSize))
        return;
    const QRect old = geometry();
    const QSize size = sizeHint();
    QRect fitted(old.topLeft(), size);
    const Qt::Alignment align = alignment();
    if (align & Qt::AlignVCenter)
        fitted.moveTop(old.center().y() - size.height() / 2);
    if (align & Qt::AlignHCenter)
        fitted.moveLeft(old.center().x() - size.width() / 2);
    else if (align & Qt::AlignRight)
        fitted.moveRight(old.right());
    setGeometry(fitted);
}

QColor CHyperLink::CurrentColour() const
{
    if (m_hovering && (m_style & kUseHover))
        return kHoverColour;
    if (!(m_style & kNoFocusColour) && m_focused)
        return kFocusColour;
    return m_visited ? kVisitedColour : kNormalColour;
}

void CHyperLink::UpdateLook()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, CurrentColour());
    setPalette(colours);
    setAutoFillBackground(false);
    update();
}

void CHyperLink::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    UpdateLook();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event)
{
    m_hovering = false;
    UpdateLook();
    QLabel::leaveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event)
{
    if (m_style & kFocusOnClick)
        setFocus(Qt::MouseFocusReason);
    if (m_style & kOpenOnPress)
        OpenLink();
    m_focused = true;
    UpdateLook();
    event->accept();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_focused && !(m_style & kOpenOnPress))
        OpenLink();
    event->accept();
}

void CHyperLink::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        OpenLink();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent* event)
{
    m_focused = true;
    UpdateLook();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event)
{
    m_focused = false;
    m_hovering = false;
    UpdateLook();
    QLabel::focusOutEvent(event);
}

CPrompts& CHyperLink::Prompts()
{
    if (m_prompts)
        return *m_prompts;
    if (!m_ownPrompts)
        m_ownPrompts = std::make_unique<CQtPrompts>(window());
    return *m_ownPrompts;
}

bool CHyperLink::OpenLink()
{
    const int result = m_opener ? m_opener(m_url) : DesktopOpen(m_url);
    if (result <= kLastError) {
        QApplication::beep();
        Prompts().Message(FailureText(result), QStringLiteral("Cratewise"),
                          CPrompts::EIcon::Exclamation, CPrompts::EButtons::Ok);
        return false;
    }
    m_visited = true;
    UpdateLook();
    return true;
}

namespace {

QUrl ToUrl(const QString& address)
{
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.scheme().isEmpty() && url.isValid())
        return url;
    return QUrl::fromUserInput(address, QDir::currentPath(), QUrl::AssumeLocalFile);
}

// What the desktop lacks when it cannot open a web address: a browser of its own.
bool StartBrowser(const QUrl& url)
{
    QStringList browsers;
    const QString configured = qEnvironmentVariable("BROWSER").section(u':', 0, 0);
    if (!configured.isEmpty())
        browsers << configured;
    browsers << QStringLiteral("x-www-browser") << QStringLiteral("sensible-browser");
    for (const QString& name : std::as_const(browsers)) {
        const QString program = QStandardPaths::findExecutable(name);
        if (!program.isEmpty() && QProcess::startDetached(program, {url.toString()}))
            return true;
    }
    return false;
}

} // namespace

int CHyperLink::DesktopOpen(const QString& address)
{
    if (address.trimmed().isEmpty())
        return kFileNotFound;
    const QUrl url = ToUrl(address);
    if (!url.isValid())
        return kFileNotFound;
    if (url.isLocalFile()) {
        const QFileInfo file(url.toLocalFile());
        if (!file.exists())
            return file.dir().exists() ? kFileNotFound : kPathNotFound;
        if (!file.isReadable())
            return kAccessDenied;
    }
    if (QDesktopServices::openUrl(url))
        return kOpened;
    const QString scheme = url.scheme().toLower();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && StartBrowser(url))
        return kOpened;
    return kNoAssociation;
}

QString CHyperLink::FailureText(int result)
{
    return QStringLiteral("Can't open link:\n\n") + ErrorText(result);
}

QString CHyperLink::ErrorText(int result)
{
    switch (result) {
    case 0:
        return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
        return QStringLiteral("The specified file was not found.");
    case 3:
        return QStringLiteral("The specified path was not found.");
    case 5:
        return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
        return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QStringLiteral("A sharing violation occurred. ");
    case 27:
        return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
        return QStringLiteral(
            "The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE "
                              "transactions\nwere being processed.");
    case 31:
        return QStringLiteral(
            "There is no application associated\nwith the given filename extension.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        break;
    }
    return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
}
