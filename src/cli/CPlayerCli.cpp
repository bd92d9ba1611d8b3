#include "cli/CPlayerCli.h"

#include "cli/CCommandLine.h"
#include "db/CCdlistSet.h"
#include "model/CAppServices.h"
#include "model/CCdlistDoc.h"
#include "platform/CTempFolder.h"
#include "platform/CText.h"
#include "playback/CMpdRemote.h"
#include "playback/CPlaybackTexts.h"
#include "playback/CWinampOperations.h"
#include "playlist/CM3uFile.h"
#include "playlist/CPlaylistLoader.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QJsonObject>
#include <QThread>

namespace {

const char* const kUsage = "player (send (--session NAME | --m3u FILE) | status | play | pause | "
                           "stop | next | previous | volume PERCENT) [--json]";

// How long `play` watches the player take up the song: MPD reports a sound output it
// cannot open within a fraction of this.
constexpr int kPlayCheckMs = 3000;

CCliError UsageError()
{
    return CCliError(QStringLiteral("usage: cratewise ") + QString::fromLatin1(kUsage));
}

// The songs to send become the document's playlist, as the window's would be.
void FillPlaylist(SCliContext& c)
{
    const QString session = CCommandLine::TakeOption(c.args, QStringLiteral("--session"));
    const QString m3u = CCommandLine::TakeOption(c.args, QStringLiteral("--m3u"));
    if (session.isEmpty() == m3u.isEmpty() || !c.args.isEmpty())
        throw UsageError();
    QList<CPlaylistModel::SEntry> entries;
    if (!session.isEmpty()) {
        c.set.Scan(CFilter::Exactly(ESongColumn::CD, session),
                   [&entries](const CCdlistSet::CScanRow& row) {
                       entries.append({row.Text(ESongColumn::LIST), row.Id()});
                       return true;
                   });
        if (entries.isEmpty())
            throw CCliError::NoSession(session);
    } else {
        CPlaylistLoader(c.set, c.prompts)
            .Load(CCommandLine::ReadPlaylist(m3u), [&entries](const SSong& song) {
                entries.append({song.m_LIST, song.m_ID});
            });
    }
    c.doc.Playlist().Append(entries);
}

int Send(SCliContext& c)
{
    FillPlaylist(c);
    c.doc.SetSongCount(c.set.CountAll());
    SAppServices services = c.services;
    if (services.tempDir.isEmpty())
        services.tempDir = CTempFolder::Path();
    SSentList sent;
    const CWinampOperations::EUpdate result =
        CWinampOperations(c.doc, services, sent).UpdateWinamp();
    // The reasons were printed as the window would show them.
    if (result != CWinampOperations::EUpdate::Sent && sent.ids.isEmpty())
        return 1;
    const qsizetype count = sent.ids.size();
    c.err << count << (count == 1 ? " song" : " songs") << " sent to the player" << Qt::endl;
    return result == CWinampOperations::EUpdate::Sent ? 0 : 1;
}

CMpdRemote& Player(SCliContext& c)
{
    // The command line's services always hold the MPD remote; tests may hand in another.
    auto* player = dynamic_cast<CMpdRemote*>(c.services.winamp);
    if (!player || !player->IsRunning())
        throw CCliError(player && !player->Problem().isEmpty() ? player->Problem()
                                                               : CPlaybackTexts::NotRunning());
    return *player;
}

// The catalogued song the player plays, if it is one.
std::optional<SSong> PlayedSong(SCliContext& c, const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo file(path);
    SM3uLine line;
    line.path = path;
    line.folder = file.path();
    line.name = file.fileName();
    return CPlaylistLoader(c.set, c.prompts).Find(line);
}

const char* const kStates[] = {"stopped", "playing", "paused"};

int Status(SCliContext& c, bool json)
{
    CMpdRemote::SStatus status;
    if (!Player(c).Status(status))
        throw CCliError(CPlaybackTexts::NotRunning());
    const std::optional<SSong> song = PlayedSong(c, status.file);
    if (json) {
        // Seconds as numbers; what is not known is null.
        QJsonObject object{{QStringLiteral("state"), QLatin1String(kStates[int(status.state)])},
                           {QStringLiteral("listLength"), status.listLength},
                           {QStringLiteral("listPosition"), status.listPosition},
                           {QStringLiteral("position"), status.elapsedMs / 1000},
                           {QStringLiteral("length"), status.lengthSeconds},
                           {QStringLiteral("volume"),
                            status.volume >= 0 ? QJsonValue(status.volume) : QJsonValue::Null},
                           {QStringLiteral("file"),
                            status.file.isEmpty() ? QJsonValue::Null : QJsonValue(status.file)},
                           {QStringLiteral("song"),
                            song ? QJsonValue(CCommandLine::SongJson(*song)) : QJsonValue::Null},
                           {QStringLiteral("error"),
                            status.error.isEmpty() ? QJsonValue::Null : QJsonValue(status.error)}};
        CCommandLine::PrintJson(c.out, QJsonDocument(object));
        return 0;
    }
    c.out << "state\t" << kStates[int(status.state)] << '\n';
    c.out << "list length\t" << status.listLength << '\n';
    c.out << "list position\t" << status.listPosition << '\n';
    c.out << "position\t" << status.elapsedMs / 1000 << '\n';
    c.out << "length\t" << status.lengthSeconds << '\n';
    if (status.volume >= 0)
        c.out << "volume\t" << status.volume << '\n';
    // Why a player that was told to play is silent (an output it could not open).
    if (!status.error.isEmpty())
        c.out << "error\t" << CText::Printable(status.error) << '\n';
    if (status.file.isEmpty())
        return 0;
    c.out << "file\t" << CText::Printable(status.file) << '\n';
    if (song) {
        c.out << "title\t" << CText::Printable(song->m_TITLE) << '\n';
        c.out << "artist\t" << CText::Printable(song->m_ARTIST) << '\n';
    }
    return 0;
}

// Play succeeds only when the player plays: MPD takes the command and only then finds
// that its sound output cannot be opened (it pauses and keeps the error, which status
// shows until the next play).
int Play(SCliContext& c, CWinampRemote::ECommand command)
{
    CMpdRemote& player = Player(c);
    CMpdRemote::SStatus status;
    if (!player.Status(status, false))
        throw CCliError(CPlaybackTexts::NotRunning());
    if (status.listLength <= 0)
        throw CCliError(QStringLiteral("there is nothing to play: the player's list is empty"));
    player.TakeError(); // an old failure is not this one's
    player.Command(command);
    const QDeadlineTimer deadline(kPlayCheckMs);
    while (!deadline.hasExpired()) {
        QThread::msleep(50);
        if (!player.Status(status, false))
            throw CCliError(CPlaybackTexts::NotRunning());
        if (!status.error.isEmpty())
            throw CCliError(CPlaybackTexts::PlayerFailed(status.error).replace(u'\n', u' '));
        if (status.state == CMpdRemote::SStatus::EState::Playing && status.elapsedMs > 0)
            return 0;
    }
    throw CCliError(QStringLiteral("the player did not start playing"));
}

// Pause resumes a song that is paused or stopped, and then must be heard as play must.
int Pause(SCliContext& c)
{
    CMpdRemote& player = Player(c);
    CMpdRemote::SStatus status;
    if (!player.Status(status, false))
        throw CCliError(CPlaybackTexts::NotRunning());
    if (status.state != CMpdRemote::SStatus::EState::Playing)
        return Play(c, CWinampRemote::Pause);
    player.Command(CWinampRemote::Pause);
    return 0;
}

int Volume(SCliContext& c)
{
    CCommandLine::ExpectArguments(c.args, 1, QString::fromLatin1(kUsage));
    bool ok = false;
    const int percent = c.args[0].toInt(&ok);
    if (!ok || percent < 0 || percent > 100)
        throw CCliError(QStringLiteral("the volume must be a number from 0 to 100"));
    CMpdRemote& player = Player(c);
    if (player.SetVolumePercent(percent))
        return 0;
    if (player.Refusal().isEmpty())
        throw CCliError(CPlaybackTexts::NotRunning());
    throw CCliError(QStringLiteral("MPD cannot set the volume: %1").arg(player.Refusal()));
}

int Run(SCliContext& c)
{
    if (c.args.isEmpty())
        throw UsageError();
    const QString action = c.args.takeFirst();
    if (action == u"send")
        return Send(c);
    if (action == u"status") {
        const bool json = CCommandLine::TakeJson(c.args);
        CCommandLine::ExpectArguments(c.args, 0, QString::fromLatin1(kUsage));
        return Status(c, json);
    }
    if (action == u"volume")
        return Volume(c);
    static const QList<QPair<QString, CWinampRemote::ECommand>> kCommands = {
        {QStringLiteral("stop"), CWinampRemote::Stop},
        {QStringLiteral("next"), CWinampRemote::Next},
        {QStringLiteral("previous"), CWinampRemote::Previous}};
    CCommandLine::ExpectArguments(c.args, 0, QString::fromLatin1(kUsage));
    if (action == u"play")
        return Play(c, CWinampRemote::Play);
    if (action == u"pause")
        return Pause(c);
    for (const auto& [name, command] : kCommands) {
        if (action == name) {
            Player(c).Command(command);
            return 0;
        }
    }
    throw UsageError();
}

} // namespace

void RegisterPlayerCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("player"), QString::fromLatin1(kUsage),
             QStringLiteral("sends songs to the external player (MPD), shows what it plays and "
                            "controls it (status --json: one object, the song played as "
                            "songs --json gives it)"),
             Run, true});
}
