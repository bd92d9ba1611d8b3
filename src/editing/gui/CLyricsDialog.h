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
    // The language pair index and the text handed to the translation.
    using Translator = std::function<void(const QString& text, int pair)>;

    CLyricsDialog(const QString& lyrics, Translator translate, QWidget* parent = nullptr);

    // The text as the record keeps it: the lyrics given, unchanged, until the user edits
    // them; then with the line ends they had (CR LF when they had none).
    QString Lyrics() const;
    QPlainTextEdit* Editor() const { return m_text; }
    QComboBox* Languages() const { return m_languages; }

private:
    void NoteChange(int position, int removed, int added);
    void KeepWithinLimit();

    QPlainTextEdit* m_text;
    QComboBox* m_languages;
    Translator m_translate;
    QString m_original;
    bool m_crLf;
    // The last change of the text: where, and how much it took out and put in.
    int m_changeAt = 0;
    int m_removed = 0;
    int m_added = 0;
};
