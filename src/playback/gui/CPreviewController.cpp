#include "playback/gui/CPreviewController.h"

#include "db/CCdlistSet.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CDriveLocator.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "playback/CInternalPlayer.h"
#include "playback/CPlaybackTexts.h"
#include "playback/CPreview.h"
#include "playback/gui/CMprisBridge.h"
#include "playback/gui/CPlaybackInfo.h"
#include "ui/CommandIds.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace {

const QString kPreviewCaption = QStringLiteral("Previe&w");
const QString kStopCaption = QStringLiteral("Stop");
const QString kMessageCaption = QStringLiteral("Preview");

// The caption as the user reads it: the mnemonic's ampersand is not part of it.
bool CaptionIs(const QPushButton* button, const QString& caption)
{
    return QString(button->text()).remove(u'&') == QString(caption).remove(u'&');
}

// The desktop's session bus, when there is one; without it the media controls are
// skipped rather than a bus started for them.
bool HasSessionBus()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS") ||
           (!runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus"))));
}

} // namespace

CPreviewController::CPreviewController(const SControllerContext& context,
                                       const SPreviewControls& controls, CPlaybackInfo& info,
                                       QObject* parent)
    : QObject(parent), m_context(context), m_controls(controls), m_info(info),
      m_player(new CInternalPlayer(CInternalPlayer::SOutput::FromEnvironment(), this))
{
    connect(&m_info, &CPlaybackInfo::SeekRequested, this,
            [this](CPlaybackInfo::ESource source, int seconds) {
                if (source == CPlaybackInfo::ESource::Preview)
                    m_player->Seek(qint64(seconds) * 1000);
            });
    if (QAction* preview = m_context.Action(ID_PREVIEW))
        connect(preview, &QAction::triggered, this, &CPreviewController::OnPreview);
    // The player buttons act on a preview while one plays or is paused.
    const auto control = [this](int id, void (CPreviewController::*handler)()) {
        if (QAction* action = m_context.Action(id))
            connect(action, &QAction::triggered, this, [this, handler] {
                if (m_info.Previewing())
                    (this->*handler)();
            });
    };
    control(ID_PLAY, &CPreviewController::Resume);
    control(ID_PAUSE, &CPreviewController::Pause);
    control(ID_STOP, &CPreviewController::StopPreview);
    connect(m_player, &CInternalPlayer::Failed, this, [this](const QString& message) {
        ForgetSong();
        m_context.services.prompts->Error(message, kMessageCaption);
    });
    connect(m_player, &CInternalPlayer::NoOutput, this, &CPreviewController::OnNoOutput);
    m_mpris = new CMprisBridge(
        *m_player,
        [this] {
            if (!m_lastPath.isEmpty())
                PlayFile(m_lastPath);
        },
        this);
    if (HasSessionBus())
        m_mpris->Register(QDBusConnection::sessionBus());
}

void CPreviewController::OnPreview()
{
    if (QPushButton* button = m_controls.preview; button && CaptionIs(button, kStopCaption)) {
        StopPreview();
        return;
    }
    const QList<qint64> ids = m_context.doc.Songs().SelectedIds();
    if (ids.isEmpty()) {
        m_context.services.prompts->Inform(CPlaybackTexts::ChooseSongToPreview(), kMessageCaption);
        return;
    }
    const SAppServices& services = m_context.services;
    std::optional<SSong> song;
    const QString path = CPreview::LocateSong(
        m_context.doc.Set(), ids.first(),
        [&services](const QString& file, const QString& session) {
            return CDriveLocator(*services.volumes, *services.prompts).LocateSong(file, session);
        },
        &song);
    if (path.isEmpty() || !song)
        return;
    if (const QString problem = CPreview::CannotOpen(path); !problem.isEmpty()) {
        m_context.services.prompts->Error(problem, kMessageCaption);
        return;
    }
    const QString title = song->m_TITLE.isEmpty() ? song->m_LIST : song->m_TITLE;
    m_mpris->SetSong(song->m_ID, title, song->m_ARTIST);
    m_info.SetPreviewing(true);
    m_info.ShowSong(CPlaybackInfo::ESource::Preview, title, song->m_ARTIST);
    m_lastPath = path;
    PlayFile(path);
}

void CPreviewController::PlayFile(const QString& path)
{
    m_toldNoOutput = false;
    m_player->Open(path);
    m_player->Play();
}

void CPreviewController::StopPreview()
{
    // The caption and the Playback Info group follow with the poll, once the player
    // reports stopped.
    m_player->Stop();
    m_player->Close();
}

void CPreviewController::Pause()
{
    m_player->Pause();
}

void CPreviewController::Resume()
{
    // Play on a paused preview goes on; on one that plays it changes nothing.
    m_player->Play();
}

void CPreviewController::OnPoll()
{
    const CSettings::CReadOnce settings; // the level and the equalizer bands: one look
    m_player->SetLevel(CInternalPlayer::LevelFromSettings());
    m_player->SetEqualizer(CInternalPlayer::EqualizerFromSettings());
    if (m_player->IsStopped())
        m_info.SetPreviewing(false);
    else if (m_info.Previewing())
        m_info.ShowProgress(CPlaybackInfo::ESource::Preview, int(m_player->PositionMs() / 1000),
                            int(m_player->LengthMs() / 1000));
    QPushButton* button = m_controls.preview;
    if (!button)
        return;
    if (m_player->IsStopped() && !CaptionIs(button, kPreviewCaption)) {
        m_player->Close();
        button->setText(kPreviewCaption);
    } else if (m_player->IsPlaying() && !CaptionIs(button, kStopCaption)) {
        button->setText(kStopCaption);
    }
}

void CPreviewController::ForgetSong()
{
    // A song nobody hears is not shown as the one playing.
    m_info.ShowSong(CPlaybackInfo::ESource::Preview, QString(), QString());
    m_info.SetPreviewing(false);
}

void CPreviewController::OnNoOutput(const QString& message)
{
    // Said once for each song that could not be heard, and the clock stops with it.
    ForgetSong();
    if (m_toldNoOutput)
        return;
    m_toldNoOutput = true;
    m_context.services.prompts->Error(message, kMessageCaption);
}
