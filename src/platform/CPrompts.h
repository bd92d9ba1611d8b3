#pragma once

#include <QString>

// Every message box, question, file dialog and folder choice of the program goes
// through this interface: the window shows real dialogs, the tests script the answers
// and check the exact texts, the command line answers from its options.
class CPrompts
{
public:
    enum class EIcon
    {
        None,
        Information,
        Question,
        Exclamation,
        Error
    };
    enum class EButtons
    {
        Ok,
        OkCancel,
        YesNo,
        YesNoCancel
    };
    enum class EAnswer
    {
        Ok,
        Cancel,
        Yes,
        No
    };

    struct SFileDialog
    {
        QString title;
        QString defaultExtension; // without the dot, e.g. "m3u"
        QString filter;   // "Name (*.ext)|*.ext|All Files (*.*)|*.*||" as the program writes it
        QString fileName; // initial file name or folder
    };

    virtual ~CPrompts() = default;

    // One message box: text, caption, icon and buttons in, the button pressed out.
    virtual EAnswer Message(const QString& text, const QString& caption, EIcon icon,
                            EButtons buttons) = 0;
    // File dialogs; an empty result means cancelled.
    virtual QString OpenFile(const SFileDialog& dialog) = 0;
    virtual QString SaveFile(const SFileDialog& dialog) = 0;
    // The folder picker ("Choose folder" / "Select"), titled with what the folder is for
    // when a title is given; empty means cancelled.
    virtual QString ChooseFolder(const QString& startFolder, const QString& title = {}) = 0;
    // The silenceable warning: shows text with a "Don't show me this again" box.
    // Returns the box's state as the dialog hands it back (0 when closed by Escape).
    virtual int Warning(const QString& text) = 0;

    // How many times the drives are searched again after Ok to "Insert the disc …" before
    // the search gives up on the disc. A person may insert it between answers, so the
    // window sets no limit; answers given in advance change no drive and would ask forever.
    static constexpr int kNoRetryLimit = -1;
    virtual int InsertRetryLimit() const { return kNoRetryLimit; }

    // Shorthands used all over the program.
    void Inform(const QString& text, const QString& caption)
    {
        Message(text, caption, EIcon::Information, EButtons::Ok);
    }
    void Error(const QString& text, const QString& caption)
    {
        Message(text, caption, EIcon::Error, EButtons::Ok);
    }
    void Exclaim(const QString& text, const QString& caption)
    {
        Message(text, caption, EIcon::Exclamation, EButtons::Ok);
    }
    bool AskYesNo(const QString& text, const QString& caption, EIcon icon = EIcon::Question)
    {
        return Message(text, caption, icon, EButtons::YesNo) == EAnswer::Yes;
    }
    bool AskOkCancel(const QString& text, const QString& caption, EIcon icon = EIcon::Exclamation)
    {
        return Message(text, caption, icon, EButtons::OkCancel) == EAnswer::Ok;
    }
};
