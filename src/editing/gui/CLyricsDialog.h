#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QPlainTextEdit;

// The "Lyrics" dialog: the song's lyrics to read and edit, Save, Close, and Translate
// with a choice of language pairs.
class CLyricsDialog : public QDialog
{
    Q_OBJECT
public:
    // The language pair index and the text (CR LF) handed to the translation.
    using Translator = std::function<void(const QString& text, int pair)>;

    CLyricsDialog(const QString& lyrics, Translator translate, QWidget* parent = nullptr);

    // The text with CR LF line ends, as the record keeps it.
    QString Lyrics() const;
    QPlainTextEdit* Editor() const { return m_text; }
    QComboBox* Languages() const { return m_languages; }

private:
    void KeepWithinLimit();

    QPlainTextEdit* m_text;
    QComboBox* m_languages;
    Translator m_translate;
};
