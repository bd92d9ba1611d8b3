#include "playback/gui/CWinampController.h"

#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CWinampRemote.h"
#include "platform/CPrompts.h"
#include "platform/CText.h"
#include "playback/CPlaybackTexts.h"
#include "playback/gui/CPlaybackInfo.h"
#include "ui/CEventPump.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QSlider>
#include <QThread>
#include <QTimer>

CWinampController::CWinampController(const SControllerContext& context,
                                     const SPlayerControls& controls, CPlaybackInfo& info,
                                     QObject* parent)
    : QObject(parent), m_context(context), m_controls(controls), m_info(info)
{
    connect(&m_info, &CPlaybackInfo::SeekRequested, this,
            [this](CPlaybackInfo::ESource source, int seconds) {
                if (source == CPlaybackInfo::ESource::Player && !m_inCommand)
                    m_context.services.winamp->Seek(seconds);
            });
    const auto command = [this](int id, CWinampRemote::ECommand message) {
        if (QAction* action = m_context.Action(id))
            connect(action, &QAction::triggered, this, [this, message] {
                // Pause and Stop act on a preview while one plays (its controller's turn).
                const bool preview =
                    message == CWinampRemote::Pause || message == CWinampRemote::Stop;
                if (!m_inCommand && !(preview && m_info.Previewing()))
                    Tell(Operations().Command(message));
            });
    };
    command(ID_PAUSE, CWinampRemote::Pause);
    command(ID_STOP, CWinampRemote::Stop);
    command(ID_PREVIOUS, CWinampRemote::Previous);
    command(ID_NEXT, CWinampRemote::Next);
    if (QAction* play = m_context.Action(ID_PLAY))
        connect(play, &QAction::triggered, this, &CWinampController::OnPlay);
    if (QAction* update = m_context.Action(ID_UPDATE_WINAMP))
        connect(update, &QAction::triggered, this, &CWinampController::OnUpdateWinamp);
    if (QSlider* slider = m_controls.volume)
        connect(slider, &QSlider::valueChanged, this, &CWinampController::OnVolume);
}

CWinampOperations CWinampController::Operations()
{
    CWinampOperations operations(m_context.doc, m_context.services, m_sent);
    // The window paints and answers while the player starts.
    operations.SetWait([](int ms) {
        CEventPump pump;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < ms && !pump.QuitRequested()) {
            pump.Pump(false);
            QThread::msleep(10);
        }
        return !pump.QuitRequested();
    });
    operations.SetQuestionInterval(m_questionMs);
    return operations;
}

void CWinampController::OnUpdateWinamp()
{
    if (m_inCommand || m_context.doc.IsBusy())
        return;
    const QScopedValueRollback<bool> inCommand(m_inCommand, true);
    const CCdlistDoc::CBusy busy(m_context.doc);
    const CWinampOperations::EUpdate result = Operations().UpdateWinamp();
    if (result == CWinampOperations::EUpdate::PathUnset) {
        if (QAction* options = m_context.Action(ID_OPTIONS))
            QTimer::singleShot(0, options, &QAction::trigger);
    } else if (result == CWinampOperations::EUpdate::Sent) {
        m_context.doc.Tell(
            QStringLiteral("Sent %1 to MPD.").arg(CText::Songs(m_context.doc.Playlist().Count())));
    }
}

void CWinampController::OnPlay()
{
    if (m_inCommand || m_context.doc.IsBusy())
        return;
    if (m_info.Previewing())
        return; // the preview's controller resumes it
    const QScopedValueRollback<bool> inCommand(m_inCommand, true);
    Tell(Operations().Play(m_context.doc.Playlist().SelectedEntry()));
}

void CWinampController::Tell(const QString& why)
{
    if (!why.isEmpty())
        m_context.services.prompts->Inform(why, CPlaybackTexts::PlayerCaption());
}

void CWinampController::OnVolume(int position)
{
    // Top is loudest.
    m_context.services.winamp->SetVolume(255 - position);
}

void CWinampController::OnTimer()
{
    if (m_inCommand)
        return;
    const SPollResult poll = Operations().Poll(m_context.doc.Playlist().SelectedEntry());
    if (poll.enableUpdate && !m_context.doc.Playlist().Changed() && !m_context.doc.IsBusy())
        m_context.doc.Playlist().SetChanged(true);
    using ESource = CPlaybackInfo::ESource;
    if (poll.progressKnown)
        m_info.ShowProgress(ESource::Player, poll.positionSeconds, poll.lengthSeconds);
    if (poll.songStarted)
        m_info.ShowSong(ESource::Player, poll.title, poll.artist);
    ShowVolume(poll.volume);
    // Play does not wait for the sound output; the player tells what went wrong here.
    if (!poll.playerError.isEmpty())
        m_context.services.prompts->Error(CPlaybackTexts::PlayerFailed(poll.playerError),
                                          CPlaybackTexts::PlayerFailedCaption());
}

void CWinampController::ShowVolume(int volume)
{
    QSlider* slider = m_controls.volume;
    if (volume < 0 || !slider || slider->isSliderDown())
        return;
    // Top is loudest; shown without being sent back.
    const QSignalBlocker quiet(slider);
    slider->setValue(255 - volume);
}
