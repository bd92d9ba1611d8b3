#pragma once

#include "playback/CWinampOperations.h"
#include "ui/CControllerContext.h"

#include <QObject>

class CPlaybackInfo;
class QSlider;

// The player controller's widget.
struct SPlayerControls
{
    QSlider* volume = nullptr; // top is loudest
};

// The external player on the main form: Play, Pause, Stop, Previous, Next (buttons, menu,
// keypad), Update Winamp, the volume slider and the one-second poll that shows what the
// player plays.
class CWinampController : public QObject
{
    Q_OBJECT
public:
    CWinampController(const SControllerContext& context, const SPlayerControls& controls,
                      CPlaybackInfo& info, QObject* parent);

    void OnUpdateWinamp();
    void OnPlay();
    void OnVolume(int position);

    // The form's one-second timer.
    void OnTimer();

    const SSentList& Sent() const { return m_sent; }
    // Lets tests shorten the wait before the "waiting a long time" question.
    void SetQuestionInterval(int ms) { m_questionMs = ms; }

private:
    CWinampOperations Operations();

    // Says why a button could not act; nothing when it did.
    void Tell(const QString& why);
    // The slider follows the player's volume unless the user holds it.
    void ShowVolume(int volume);

    SControllerContext m_context;
    SPlayerControls m_controls;
    CPlaybackInfo& m_info;
    SSentList m_sent;
    int m_questionMs = 30000;
    // Update Winamp keeps the window alive while it waits; nothing re-enters it meanwhile.
    bool m_inCommand = false;
};
