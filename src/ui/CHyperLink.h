#pragma once

#include <QLabel>
#include <functional>
#include <memory>

class CPrompts;

// A label that opens its address (web or mail) through the desktop when clicked, shows
// the address as its tooltip and changes colour when hovered, focused or visited.
class CHyperLink : public QLabel
{
    Q_OBJECT
public:
    enum EStyle
    {
        kUnderline = 0x01,
        kUseHover = 0x02,
        kAutoSize = 0x04,
        kOpenOnPress = 0x08,
        kFocusOnClick = 0x10,
        kNormalCursor = 0x20,
        kNoFocusColour = 0x40,
        kDefaultStyle = kUnderline | kAutoSize | kFocusOnClick,
    };
    // Results of opening an address; above kLastError means it opened.
    enum EResult
    {
        kOutOfResources = 0,
        kFileNotFound = 2,
        kPathNotFound = 3,
        kAccessDenied = 5,
        kNoAssociation = 31,
        kLastError = 32,
        kOpened = 42,
    };
    using Opener = std::function<int(const QString& url)>;

    static const QColor kNormalColour;
    static const QColor kFocusColour;
    static const QColor kVisitedColour;
    static const QColor kHoverColour;

    // With an empty `url` the text is the address; with an empty text the address shows.
    explicit CHyperLink(const QString& text = QString(), QWidget* parent = nullptr,
                        const QString& url = QString());
    ~CHyperLink() override;

    void SetUrl(const QString& url);
    QString Url() const { return m_url; }
    // Fails and changes nothing when a bit is both removed and added.
    bool ModifyLinkStyle(int remove, int add, bool apply = true);
    int LinkStyle() const { return m_style; }
    // Where the failure message goes; the window's own message boxes when never set.
    void SetPrompts(CPrompts* prompts) { m_prompts = prompts; }
    // Replaces the desktop opener (tests, the command line).
    void SetOpener(Opener opener) { m_opener = std::move(opener); }

    bool OpenLink();
    bool IsVisited() const { return m_visited; }
    QColor CurrentColour() const;

    // The message text for a failed result.
    static QString ErrorText(int result);
    // The whole message a failed link shows.
    static QString FailureText(int result);
    // Opens the address with the desktop and maps a failure onto the results above.
    static int DesktopOpen(const QString& url);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ApplyFont(const QFont& font);
    void Refit();
    void UpdateLook();
    CPrompts& Prompts();

    QString m_url;
    int m_style = kDefaultStyle;
    bool m_focused = false;
    bool m_hovering = false;
    bool m_visited = false;
    CPrompts* m_prompts = nullptr;
    std::unique_ptr<CPrompts> m_ownPrompts;
    Opener m_opener;
};
