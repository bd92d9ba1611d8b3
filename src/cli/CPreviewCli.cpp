#include "cli/CPreviewCli.h"

#include "cli/CCommandLine.h"
#include "cli/CInterruptGuard.h"
#include "db/CCdlistSet.h"
#include "model/CAppServices.h"
#include "model/CDriveLocator.h"
#include "platform/CText.h"
#include "playback/CInternalPlayer.h"
#include "playback/CPreview.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>

namespace {

// m:ss, and h:mm:ss from an hour on.
QString Clock(qint64 ms)
{
    const qint64 seconds = qMax<qint64>(0, ms) / 1000;
    if (seconds < 3600)
        return CText::MinutesSeconds(seconds);
    return QStringLiteral("%1:%2")
        .arg(seconds / 3600)
        .arg(CText::MinutesSeconds(seconds % 3600).rightJustified(5, u'0'));
}

const char* const kUsage = "preview SONG-ID";
// How long the player may take to stop after Ctrl-C, and to move on while playing,
// before the command gives up on it.
constexpr int kStopWaitMs = 2000;
constexpr int kStallMs = 10000;

int Preview(SCliContext& c)
{
    CCommandLine::ExpectArguments(c.args, 1, QString::fromLatin1(kUsage));
    bool ok = false;
    const qint64 id = c.args[0].toLongLong(&ok);
    if (!ok)
        throw CCliError(QStringLiteral("usage: cratewise ") + QString::fromLatin1(kUsage));
    std::optional<SSong> song;
    const QString path = CPreview::LocateSong(
        c.set, id,
        [&c](const QString& file, const QString& session) {
            return CDriveLocator(*c.services.volumes, c.prompts).LocateSong(file, session);
        },
        &song);
    if (!song)
        throw CCliError(QStringLiteral("there is no song with ID %1").arg(id));
    if (path.isEmpty())
        throw CCliError(QStringLiteral("the disc of session \"%1\" was not found").arg(song->m_CD));
    if (const QString problem = CPreview::CannotOpen(path); !problem.isEmpty())
        throw CCliError(problem);

    CInternalPlayer player;
    player.SetLevel(CInternalPlayer::LevelFromSettings());
    player.SetEqualizer(CInternalPlayer::EqualizerFromSettings());
    QEventLoop loop;
    QString failure;
    const auto fail = [&](const QString& message) {
        if (failure.isEmpty())
            failure = QString(message).replace(u'\n', u' ');
    };
    QObject::connect(&player, &CInternalPlayer::Failed, &loop, fail);
    QObject::connect(&player, &CInternalPlayer::NoOutput, &loop, fail);
    // Nothing is claimed before the player says that it plays: a song that cannot be
    // heard is one failure, said once.
    bool started = false;
    bool ended = false;
    QObject::connect(&player, &CInternalPlayer::StateChanged, &loop, [&](int state) {
        if (state == CInternalPlayer::Playing && !started) {
            started = true;
            c.err << "Playing " << CText::Printable(song->m_LIST) << " (" << CText::Printable(path)
                  << ")\n";
            c.err.flush();
        }
        ended = state == CInternalPlayer::Ended;
        if (state == CInternalPlayer::Stopped || state == CInternalPlayer::Ended)
            loop.quit();
    });

    // Ctrl-C stops the song instead of killing the program, so that the output is closed
    // properly (a sound server, or a WAV file whose header is written at the end).
    const CInterruptGuard interrupts;
    bool interrupted = false;
    QDeadlineTimer stopDeadline;
    qint64 lastPosition = -1;
    QDeadlineTimer stallDeadline(kStallMs);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (CInterruptGuard::Interrupted() && !interrupted) {
            interrupted = true;
            player.Stop();
            stopDeadline.setRemainingTime(kStopWaitMs);
        }
        const qint64 at = player.PositionMs();
        if (at != lastPosition) {
            lastPosition = at;
            stallDeadline.setRemainingTime(kStallMs);
        }
        if (interrupted ? stopDeadline.hasExpired() : stallDeadline.hasExpired()) {
            fail(QStringLiteral("the sound output stopped responding"));
            loop.quit();
        }
        if (started) {
            c.err << "\r" << Clock(at) << " / " << Clock(player.LengthMs());
            c.err.flush();
        }
    });
    tick.start(250);
    player.Open(path);
    player.Play();
    loop.exec();
    tick.stop();
    if (started) {
        // A song played to its end shows its whole length, not the last tick's second.
        if (ended && failure.isEmpty())
            c.err << "\r" << Clock(player.LengthMs()) << " / " << Clock(player.LengthMs());
        c.err << (interrupted ? "\nstopped\n" : "\n");
        c.err.flush();
    }
    if (!failure.isEmpty())
        throw CCliError(failure);
    // Ctrl-C is the user's own stop; a kill is not a preview that went well.
    if (CInterruptGuard::Terminated())
        throw CCliError(QStringLiteral("the preview was stopped by SIGTERM"));
    return 0;
}

} // namespace

void RegisterPreviewCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("preview"), QString::fromLatin1(kUsage),
             QStringLiteral("plays one song through the built-in player until it ends or Ctrl-C"),
             Preview, true});
}
