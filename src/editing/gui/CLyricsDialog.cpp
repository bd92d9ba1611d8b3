#include "editing/gui/CLyricsDialog.h"

#include "editing/CLyrics.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CLyricsDialog::CLyricsDialog(const QString& lyrics, Translator translate, QWidget* parent)
    : QDialog(parent), m_translate(std::move(translate))
{
    setWindowTitle(QStringLiteral("Lyrics"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("c1120"));
    // The editor keeps lines apart by itself; CR LF comes back with Lyrics().
    QString shown = lyrics;
    m_text->setPlainText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    connect(m_text, &QPlainTextEdit::textChanged, this, &CLyricsDialog::KeepWithinLimit);

    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setObjectName(QStringLiteral("c1"));
    save->setToolTip(QStringLiteral("Save lyrics"));
    save->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("c2"));
    close->setToolTip(QStringLiteral("Close this window"));
    auto* translateButton = new QPushButton(QStringLiteral("Translate"), this);
    translateButton->setObjectName(QStringLiteral("c1122"));
    translateButton->setToolTip(QStringLiteral("Translate lyrics with Altavista Babelfish (r)"));
    m_languages = new QComboBox(this);
    m_languages->setObjectName(QStringLiteral("c1123"));
    for (const CLyrics::SLanguagePair& pair : CLyrics::kLanguagePairs)
        m_languages->addItem(QString::fromLatin1(pair.item));
    m_languages->setCurrentIndex(0);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(close);
    buttons->addStretch();
    buttons->addWidget(m_languages);
    buttons->addWidget(translateButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    resize(480, 420);

    connect(save, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(translateButton, &QPushButton::clicked, this, [this] {
        if (m_translate)
            m_translate(Lyrics(), m_languages->currentIndex());
    });
}

QString CLyricsDialog::Lyrics() const
{
    return CLyrics::WithCrLf(m_text->toPlainText());
}

void CLyricsDialog::KeepWithinLimit()
{
    // 5000 characters as the record keeps them, line ends counted as two.
    const QString text = m_text->toPlainText();
    const qsizetype over = CLyrics::WithCrLf(text).size() - CLyrics::kMaxLength;
    if (over <= 0)
        return;
    QTextCursor cursor = m_text->textCursor();
    const int at = cursor.position();
    const int from = std::max(0, at - int(over));
    cursor.setPosition(from);
    cursor.setPosition(at, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (CLyrics::WithCrLf(m_text->toPlainText()).size() > CLyrics::kMaxLength)
        m_text->setPlainText(text.left(text.size() - over)); // pasted in several places
}
