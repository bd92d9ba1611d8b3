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

QString Clock(qint64 ms)
{
    return CText::MinutesSeconds(qMax<qint64>(0, ms) / 1000);
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
            return CDriveLocator(*c.services.volumes, c.prompts)
                .LocateCdDrive(file, session, CDriveLocator::EVariant::General);
        },
        &song);
    if (!song)
        throw CCliError(QStringLiteral("there is no song with ID %1").arg(id));
    if (path.isEmpty())
        throw CCliError(QStringLiteral("the disc of session \"%1\" was not found").arg(song->m_CD));
    c.err << "Playing " << CText::Printable(song->m_LIST) << " (" << CText::Printable(path)
          << ")\n";
    c.err.flush();

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
    QObject::connect(&player, &CInternalPlayer::StateChanged, &loop, [&](int state) {
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
        c.err << "\r" << Clock(at) << " / " << Clock(player.LengthMs());
        c.err.flush();
    });
    tick.start(250);
    player.Open(path);
    player.Play();
    loop.exec();
    tick.stop();
    c.err << (interrupted ? "\nstopped\n" : "\n");
    c.err.flush();
    if (!failure.isEmpty())
        throw CCliError(failure);
    return 0;
}

} // namespace

void RegisterPreviewCommands(CCommandLine& cli)
{
    cli.Add({QStringLiteral("preview"), QString::fromLatin1(kUsage),
             QStringLiteral("plays one song through the built-in player until it ends or Ctrl-C"),
             Preview, true});
}
