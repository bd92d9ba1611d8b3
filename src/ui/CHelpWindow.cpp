#include "ui/CHelpWindow.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// The manual is a resource of the program, so it is there whatever was installed.
QString Manual()
{
    QFile page(QStringLiteral(":/cratewise.html"));
    if (!page.open(QIODevice::ReadOnly))
        return QStringLiteral("<p>The manual is missing from this build of Cratewise.</p>");
    return QString::fromUtf8(page.readAll());
}

} // namespace

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Cratewise Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    m_browser->setHtml(Manual());
    m_browser->setAccessibleName(QStringLiteral("Manual"));

    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("Search the manual"));
    m_search->setClearButtonEnabled(true);
    auto* searchLabel = new QLabel(QStringLiteral("&Search:"), this);
    searchLabel->setBuddy(m_search);
    auto* next = new QPushButton(QStringLiteral("Find &Next"), this);
    m_result = new QLabel(this);
    connect(m_search, &QLineEdit::returnPressed, this, &CHelpWindow::FindNext);
    connect(next, &QPushButton::clicked, this, &CHelpWindow::FindNext);
    // Typing searches from the top, as the words are written.
    connect(m_search, &QLineEdit::textEdited, this, [this] {
        m_browser->moveCursor(QTextCursor::Start);
        FindNext();
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(next);
    searchRow->addWidget(m_result);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(m_browser, 1);
    layout->addWidget(buttons);
    resize(640, 560);
    m_search->setFocus();
}

bool CHelpWindow::FindNext()
{
    const QString text = m_search->text();
    m_result->clear();
    if (text.isEmpty())
        return false;
    if (m_browser->find(text))
        return true;
    // Past the last place: once more from the top.
    m_browser->moveCursor(QTextCursor::Start);
    if (m_browser->find(text))
        return true;
    m_result->setText(QStringLiteral("Not found"));
    return false;
}
