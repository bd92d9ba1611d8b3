#include "reports/CStatistics.h"

#include "db/CDatabase.h"
#include "model/CCdlistDoc.h"
#include "platform/CSettings.h"
#include "platform/CText.h"

#include <QMap>
#include <array>

SStatistics CStatistics::Compute(CCdlistDoc& doc)
{
    SStatistics s;
    s.sessions = doc.Sessions().Count();
    qint64 bitrateSum = 0, bitrateCount = 0, lengthSum = 0, lengthCount = 0;
    QMap<qint64, qint64> perBitrate;
    // One read of the four columns the figures need, in ID order (ties in the top five).
    CStatement row(doc.Database(),
                   QStringLiteral("SELECT LIST, BITRATE, DURATION, [USE] FROM Songs ORDER BY ID"));
    while (row.Step()) {
        ++s.songs;
        const std::string_view bitrate = row.Bytes(1);
        if (!bitrate.empty()) {
            const qint64 value = CText::LeadingInteger(bitrate);
            bitrateSum += value;
            ++bitrateCount;
            ++perBitrate[value];
        }
        const std::string_view duration = row.Bytes(2);
        if (!duration.empty()) {
            lengthSum += CText::LeadingInteger(duration);
            ++lengthCount;
        }
        const qint64 plays = qint64(row.Int(3));
        // Strictly less: a song with as many plays as one met earlier goes below it.
        for (size_t slot = 0; slot < s.top.size(); ++slot) {
            if (s.top[slot].plays < plays) {
                std::move_backward(s.top.begin() + qsizetype(slot), s.top.end() - 1, s.top.end());
                s.top[slot] = {row.Text(0), plays};
                break;
            }
        }
    }
    s.averageBitrate = bitrateCount ? bitrateSum / bitrateCount : 0;
    s.averageSeconds = lengthCount ? lengthSum / lengthCount : 0;
    s.averageLength = CText::MinutesSeconds(s.averageSeconds);
    s.timesUsed = CSettings::Int(ESetting::TimesUsed);
    s.playlistUsed = CSettings::Int(ESetting::PlaylistUsed);
    for (auto it = perBitrate.cbegin(); it != perBitrate.cend(); ++it)
        s.bitrates.append({it.key(), it.value()});
    return s;
}

QList<SBitrateStep> CStatistics::BitrateSteps(const QList<QPair<qint64, qint64>>& bitrates)
{
    static constexpr std::array<qint64, 8> kSteps = {32, 64, 96, 128, 160, 192, 256, 320};
    // Beyond half the last step's distance above it, a rate is no MP3 rate at all.
    constexpr qint64 kBeyond = 320 + 32;
    std::array<qint64, kSteps.size() + 1> songs{};
    for (const auto& [rate, count] : bitrates) {
        if (rate <= 0)
            continue; // not a rate: nothing was measured
        size_t step = kSteps.size();
        if (rate <= kBeyond) {
            step = 0;
            // The nearest step; halfway goes up.
            while (step + 1 < kSteps.size() && rate * 2 >= kSteps[step] + kSteps[step + 1])
                ++step;
        }
        songs[step] += count;
    }
    QList<SBitrateStep> steps;
    for (size_t i = 0; i < songs.size(); ++i) {
        if (songs[i] == 0)
            continue;
        steps.append({i < kSteps.size() ? QStringLiteral("%1 kbps").arg(kSteps[i])
                                        : QStringLiteral("over 320 kbps"),
                      songs[i]});
    }
    return steps;
}
