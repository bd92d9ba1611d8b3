#include "playback/CWinampOperations.h"

#include "db/CCdlistSet.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "model/CDriveLocator.h"
#include "model/CFileCopier.h"
#include "model/CPlaylistGroups.h"
#include "model/CWinampRemote.h"
#include "platform/CFileNames.h"
#include "platform/CPrompts.h"
#include "platform/CSettings.h"
#include "platform/CVolumes.h"
#include "playback/CPlaybackTexts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies source over target unless both have the same length already (a copy made by an
// earlier run); false with the reason when it failed.
bool CopyWhenLengthsDiffer(const QString& source, const QString& target, QString& reason)
{
    struct stat from = {}, to = {};
    if (::stat(CFileNames::Encode(source).constData(), &from) == 0 &&
        ::stat(CFileNames::Encode(target).constData(), &to) == 0 && S_ISREG(to.st_mode) &&
        from.st_size == to.st_size)
        return true;
    return CFileCopier::Copy(source, target, {}, reason);
}

} // namespace

int CWinampOperations::PositionOf(qint64 id) const
{
    const qsizetype slot = m_sent.ids.indexOf(id);
    return slot >= 0 ? int(slot) : int(m_sent.ids.size());
}

CWinampOperations::EUpdate CWinampOperations::UpdateWinamp()
{
    CPrompts& prompts = *m_services.prompts;
    CWinampRemote& player = *m_services.winamp;
    CPlaylistModel& playlist = m_doc.Playlist();
    if (playlist.Count() == 0) {
        prompts.Error(CPlaybackTexts::NoSongs(), CPlaybackTexts::NoSongsCaption());
        return EUpdate::Refused;
    }
    if (m_doc.SongCount() < 1) {
        prompts.Error(CPlaybackTexts::EmptyDatabase(), CPlaybackTexts::EmptyDatabaseCaption());
        return EUpdate::Refused;
    }
    // A player that answers already is used whatever the setting says.
    const bool running = player.IsRunning();
    const QString program = running ? QString() : PlayerProgram();
    if (!running && program.isEmpty()) {
        prompts.Error(CPlaybackTexts::PathUnset(), CPlaybackTexts::PathCaption());
        return EUpdate::PathUnset;
    }

    EUpdate result = EUpdate::Sent;
    if (!running) {
        if (!player.Start(program, CSettings::Bool(ESetting::Minimize))) {
            prompts.Error(CPlaybackTexts::CannotStart(program, player.StartError()),
                          CPlaybackTexts::PathCaption());
            result = EUpdate::NotStarted;
        } else if (!WaitForPlayer()) {
            result = EUpdate::NotStarted;
        }
    }
    if (result == EUpdate::Sent) {
        if (!CSettings::Bool(ESetting::Continue))
            player.Command(CWinampRemote::Stop);
        if (!CSettings::Bool(ESetting::Enque) || !m_sent.sent) {
            player.ClearList();
            m_sent.ids.clear();
            m_sent.files.clear();
        }
        SPlaylistGroups groups = CPlaylistGroups::Group(m_doc.Set(), playlist.Ids());
        CPlaylistGroups::ReportLimit(prompts, groups.limit);
        const bool copying = CSettings::Bool(ESetting::Temp) && groups.groups.size() >= 2;
        if (!Send(groups.groups, copying))
            result = EUpdate::CopyFailed;
        else if (CSettings::Bool(ESetting::Autoplay))
            player.StartList();
        m_sent.sent = true;
    }
    // Disables Update Winamp until the playlist or the player's list changes.
    playlist.SetChanged(false);
    return result;
}

QString CWinampOperations::PlayerProgram()
{
    // "1" is how older versions marked the path as not chosen.
    const QString program = CSettings::String(ESetting::Winamp).trimmed();
    if (program != u"1" && !program.isEmpty())
        return program;
    return QStandardPaths::findExecutable(QStringLiteral("mpd"));
}

bool CWinampOperations::WaitForPlayer()
{
    CWinampRemote& player = *m_services.winamp;
    QElapsedTimer waited;
    waited.start();
    while (!player.IsRunning()) {
        if (waited.elapsed() > m_questionMs) {
            if (!m_services.prompts->AskYesNo(CPlaybackTexts::LongWait(),
                                              CPlaybackTexts::LongWaitCaption()))
                return false;
            waited.restart();
        }
        if (!m_wait)
            QThread::msleep(100);
        else if (!m_wait(100))
            return false;
    }
    return true;
}

bool CWinampOperations::Send(const QList<SSessionGroup>& groups, bool copying)
{
    CVolumes& volumes = *m_services.volumes;
    CDriveLocator locator(volumes, *m_services.prompts);
    m_targets.clear();
    for (const SSessionGroup& group : groups) {
        for (qsizetype i = 0; i < group.paths.size(); ++i) {
            const QString& stored = group.paths[i];
            // A file on a fixed disk goes as it is; one on a disc (or not where it was) is
            // looked for, and copied first when asked to.
            if (copying && volumes.TypeOf(stored) != SVolume::EType::CdRom &&
                QFileInfo::exists(stored)) {
                AddToPlayer(stored, group.ids[i]);
                continue;
            }
            const QString located =
                locator.LocateCdDrive(stored, group.session, CDriveLocator::EVariant::General);
            if (located.isEmpty())
                continue;
            if (!copying || volumes.TypeOf(located) != SVolume::EType::CdRom) {
                AddToPlayer(located, group.ids[i]);
                continue;
            }
            const QString copy = CopyToTemp(located);
            if (copy.isEmpty())
                return false;
            AddToPlayer(copy, group.ids[i]);
        }
    }
    return true;
}

void CWinampOperations::AddToPlayer(const QString& path, qint64 id)
{
    // A file the player refused takes no slot, so the slots stay in step with its list.
    if (m_services.winamp->AddFile(path)) {
        m_sent.ids.append(id);
        m_sent.files.append(path);
    }
}

QString CWinampOperations::CopyToTemp(const QString& source)
{
    const QString folder = m_services.tempDir;
    QDir().mkpath(folder);
    ::chmod(CFileNames::Encode(folder).constData(), 0700);
    const QFileInfo info(source);
    QString target = QDir(folder).filePath(info.fileName());
    for (int n = 2; m_targets.contains(target) && m_targets.value(target) != source; ++n)
        target = QDir(folder).filePath(
            QStringLiteral("%1 (%2).%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
    m_targets.insert(target, source);
    QString reason;
    if (!CopyWhenLengthsDiffer(source, target, reason)) {
        m_services.prompts->Error(CPlaybackTexts::CopyFailed(source, reason),
                                  CPlaybackTexts::CopyFailedCaption());
        return {};
    }
    return target;
}

QString CWinampOperations::Play(int selectedRow)
{
    CWinampRemote& player = *m_services.winamp;
    const CPlaylistModel& playlist = m_doc.Playlist();
    const bool autoUpdate = CSettings::Bool(ESetting::AutoUpd);
    const bool running = player.IsRunning();
    if (autoUpdate && (!running || player.ListLength() != playlist.Count())) {
        // A refusal was said by Update Winamp itself; a player it started plays at once.
        if (UpdateWinamp() != EUpdate::Sent && !player.IsRunning())
            return {};
    }
    if (!player.IsRunning())
        return CPlaybackTexts::NotRunningHint();
    if (player.ListLength() <= 0)
        return CPlaybackTexts::NothingToPlay();
    if (selectedRow < 0 || selectedRow >= playlist.Count()) {
        player.StartList();
        return {};
    }
    player.SetListPosition(PositionOf(playlist.Entry(selectedRow).id));
    player.Command(CWinampRemote::Play);
    return {};
}

QString CWinampOperations::Command(int command)
{
    CWinampRemote& player = *m_services.winamp;
    if (!player.IsRunning())
        return CPlaybackTexts::NotRunningHint();
    switch (command) {
    case CWinampRemote::Pause:
        // Pause also resumes a paused song.
        if (!player.IsPlaying() && !player.IsPaused())
            return CPlaybackTexts::NothingPlaying();
        break;
    case CWinampRemote::Previous:
    case CWinampRemote::Next:
        if (player.ListLength() <= 0)
            return CPlaybackTexts::NothingToPlay();
        break;
    default:
        break;
    }
    player.Command(CWinampRemote::ECommand(command));
    return {};
}

SPollResult CWinampOperations::Poll(int selectedRow)
{
    CWinampRemote& player = *m_services.winamp;
    CPlaylistModel& playlist = m_doc.Playlist();
    SPollResult result;
    const bool running = player.IsRunning();
    if (playlist.SelectionFlag()) {
        playlist.SetSelectionFlag(false);
        if (running && player.IsPlaying() && selectedRow >= 0 && selectedRow < m_sent.ids.size() &&
            m_sent.sent && selectedRow < playlist.Count()) {
            player.SetListPosition(PositionOf(playlist.Entry(selectedRow).id));
            player.Command(CWinampRemote::Play);
        }
    }
    result.enableUpdate = !running || player.ListLength() != playlist.Count();
    if (!running)
        return result;
    result.volume = player.Volume();
    result.playerError = player.TakeError();
    if (!m_sent.sent)
        return result;
    result.progressKnown = true;
    result.lengthSeconds = qMin(player.TrackLengthSeconds(), 0xFFFF);
    result.positionSeconds = player.TrackPositionMs() / 1000;
    if (!player.IsPlaying())
        return result;
    const int position = player.ListPosition();
    // While a job runs the catalogue is its own; the song is counted once it is done.
    if (position >= 0 && !m_doc.IsBusy())
        ShowWhatPlays(position, result);
    return result;
}

void CWinampOperations::ShowWhatPlays(int position, SPollResult& result)
{
    const QString file = m_services.winamp->CurrentFile();
    // Position and file are two answers of the player: one may be of the song before or
    // after the other's. The file is the later word, so a sent file next to the position
    // names it.
    for (const int near : {position + 1, position - 1}) {
        if (!file.isEmpty() && m_sent.files.value(position) != file &&
            m_sent.files.value(near) == file) {
            position = near;
            break;
        }
    }
    qint64 id = 0;
    std::optional<SSong> song;
    try {
        song = SongOfFile(file, position, id);
    } catch (const CDbException&) {
        return; // the next poll tries again
    }
    // The same song still playing is neither shown nor counted again (a file not reported
    // this time, the player being slow, is no other song); nor is a player that says
    // nothing about what it plays.
    const bool same = position == m_sent.lastPosition && id == m_sent.lastPlayed &&
                      (file.isEmpty() || file == m_sent.lastFile);
    if (same || (!song && file.isEmpty()))
        return;
    m_sent.lastFile = file;
    m_sent.lastPosition = position;
    m_sent.lastPlayed = id;
    result.songStarted = true;
    // A file Cratewise does not know: its name is all there is to show.
    result.title = !song                     ? QFileInfo(file).fileName()
                   : song->m_TITLE.isEmpty() ? song->m_LIST
                                             : song->m_TITLE;
    result.artist = song ? song->m_ARTIST : QString();
    if (song)
        CountStart(id);
}

std::optional<SSong> CWinampOperations::SongOfFile(const QString& file, int position, qint64& id)
{
    CCdlistSet& set = m_doc.Set();
    const bool known = position < m_sent.ids.size();
    // A player that does not name its file is taken at its list position.
    if (file.isEmpty() || (known && m_sent.files.value(position) == file)) {
        id = known ? m_sent.ids[position] : 0;
        return id ? set.FindSongById(id) : std::nullopt;
    }
    const qsizetype slot = m_sent.files.indexOf(file);
    if (slot >= 0) {
        id = m_sent.ids[slot];
        return set.FindSongById(id);
    }
    const QFileInfo info(file);
    std::optional<SSong> song =
        set.FindFirst(CFilter::Equals(ESongColumn::MELODI, info.fileName())
                          .And(CFilter::Equals(ESongColumn::PATH, info.path())),
                      ESongColumn::MELODI);
    id = song ? song->m_ID : 0;
    return song;
}

void CWinampOperations::CountStart(qint64 id)
{
    try {
        m_doc.Catalogue().IncrementUse(id);
    } catch (const CDbException&) {
        return; // not counted this time
    }
    CSettings::AddToCounter(ESetting::TimesUsed, 1);
}
