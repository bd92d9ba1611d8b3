#include "playback/gui/CPlaybackInfo.h"

#include "platform/CText.h"
#include "playback/gui/CSeekBar.h"

#include <QLabel>
#include <QLineEdit>

CPlaybackInfo::CPlaybackInfo(QLineEdit* title, QLineEdit* artist, CSeekBar* bar, QLabel* time,
                             QObject* parent)
    : QObject(parent), m_title(title), m_artist(artist), m_bar(bar), m_time(time)
{
    if (m_bar)
        connect(m_bar, &CSeekBar::SeekRequested, this, [this](int seconds) {
            // Without a length the bar's range says nothing about where the click was.
            if (m_length > 0)
                Q_EMIT SeekRequested(m_previewing ? ESource::Preview : ESource::Player, seconds);
        });
}

void CPlaybackInfo::ShowSong(ESource source, const QString& title, const QString& artist)
{
    if (!Shown(source))
        return;
    if (m_title)
        m_title->setText(title);
    if (m_artist)
        m_artist->setText(artist);
}

void CPlaybackInfo::ShowProgress(ESource source, int position, int length)
{
    if (!Shown(source))
        return;
    m_length = qMax(length, 0);
    position = qBound(0, position, m_length > 0 ? m_length : position);
    if (m_bar) {
        // An empty range would turn the bar into a busy indicator.
        m_bar->setRange(0, qMax(m_length, 1));
        m_bar->setValue(qMin(position, qMax(m_length, 1)));
    }
    if (m_time)
        m_time->setText(m_length > 0 ? CText::MinutesSeconds(position) + QStringLiteral(" / ") +
                                           CText::MinutesSeconds(m_length)
                                     : CText::MinutesSeconds(position));
}

void CPlaybackInfo::SetPreviewing(bool previewing)
{
    if (previewing == m_previewing)
        return;
    m_previewing = previewing;
    m_length = 0;
    if (m_bar)
        m_bar->setValue(0);
    if (m_time)
        m_time->clear();
}
