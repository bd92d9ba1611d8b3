#include "editing/gui/CLyricsDialog.h"

#include "editing/CLyrics.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

CLyricsDialog::CLyricsDialog(const QString& lyrics, Translator translate, QWidget* parent)
    : QDialog(parent), m_translate(std::move(translate)), m_original(lyrics),
      m_crLf(CLyrics::UsesCrLf(lyrics))
{
    setWindowTitle(QStringLiteral("Lyrics"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("c1120"));
    // The editor keeps lines apart by itself; the line ends come back with Lyrics(). Text
    // longer than the limit is shown whole: only what is typed is held to it.
    QString shown = lyrics;
    m_text->setPlainText(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    m_text->document()->setModified(false);
    connect(m_text->document(), &QTextDocument::contentsChange, this, &CLyricsDialog::NoteChange);
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
    if (!m_text->document()->isModified())
        return m_original;
    return CLyrics::WithLineEnds(m_text->toPlainText(), m_crLf);
}

void CLyricsDialog::NoteChange(int position, int removed, int added)
{
    m_changeAt = position;
    m_removed = removed;
    m_added = added;
}

void CLyricsDialog::KeepWithinLimit()
{
    // What the record would keep, line ends counted as they are stored. Only the text
    // just put in gives way, from its end: what was there before the caret never does.
    const qsizetype over =
        CLyrics::WithLineEnds(m_text->toPlainText(), m_crLf).size() - CLyrics::kMaxLength;
    const int grown = m_added - m_removed;
    if (over <= 0 || grown <= 0)
        return;
    const int cut = int(std::min<qsizetype>(over, grown));
    const int end = m_changeAt + m_added;
    m_added = m_removed = 0;
    QTextCursor cursor(m_text->document());
    cursor.setPosition(std::max(m_changeAt, end - cut));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
