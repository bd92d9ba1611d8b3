#pragma once

#include <QObject>
#include <QPointer>

class CSeekBar;
class QLabel;
class QLineEdit;

// The Playback Info group: the song playing, its progress as a bar and as
// "elapsed / total" text. Both the external player and a preview report here; while a
// preview plays, it is what the group shows. A click on the bar asks whichever is shown
// to go to that second.
class CPlaybackInfo : public QObject
{
    Q_OBJECT
public:
    enum class ESource
    {
        Player,
        Preview
    };

    CPlaybackInfo(QLineEdit* title, QLineEdit* artist, CSeekBar* bar, QLabel* time,
                  QObject* parent);

    void ShowSong(ESource source, const QString& title, const QString& artist);
    // Seconds into the song and its length (0 when unknown).
    void ShowProgress(ESource source, int position, int length);
    // A preview starts or ends: the player's reports wait meanwhile.
    void SetPreviewing(bool previewing);
    bool Previewing() const { return m_previewing; }

Q_SIGNALS:
    void SeekRequested(CPlaybackInfo::ESource source, int seconds);

private:
    bool Shown(ESource source) const { return (source == ESource::Preview) == m_previewing; }

    QPointer<QLineEdit> m_title;
    QPointer<QLineEdit> m_artist;
    QPointer<CSeekBar> m_bar;
    QPointer<QLabel> m_time;
    bool m_previewing = false;
    int m_length = 0;
};
