#pragma once

#include "ui/CControllerContext.h"

#include <QObject>

class CInternalPlayer;
class CPlaybackInfo;
class CMprisBridge;
class QPushButton;

// The preview controller's widget.
struct SPreviewControls
{
    QPushButton* preview = nullptr; // Preview, and Stop while a song plays
};

// Preview on the main form: the selected song through the built-in player, and Stop.
// The player lives as long as the form; the form's one-second poll hands it the level
// and the equalizer and lets the button's caption and the Playback Info group follow it.
class CPreviewController : public QObject
{
    Q_OBJECT
public:
    CPreviewController(const SControllerContext& context, const SPreviewControls& controls,
                       CPlaybackInfo& info, QObject* parent);

    CInternalPlayer& Player() const { return *m_player; }

    void OnPreview();
    void OnPoll();

private:
    void OnNoOutput(const QString& message);
    void ForgetSong();
    void StopPreview();
    void Pause();
    void Resume();
    void PlayFile(const QString& path);

    SControllerContext m_context;
    SPreviewControls m_controls;
    CPlaybackInfo& m_info;
    CInternalPlayer* m_player = nullptr;
    CMprisBridge* m_mpris = nullptr;
    QString m_lastPath;          // what Play from the desktop's controls starts again
    bool m_toldNoOutput = false; // for the song last started
};
