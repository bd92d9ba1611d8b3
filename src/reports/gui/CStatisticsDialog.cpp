#include "reports/gui/CStatisticsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

CBitrateChart::CBitrateChart(const QList<QPair<qint64, qint64>>& bitrates, QWidget* parent)
    : QWidget(parent), m_bars(CStatistics::BitrateSteps(bitrates))
{
    setObjectName(QStringLiteral("BitrateChart"));
    setMinimumHeight(120);
    setToolTip(QStringLiteral("Songs per bit rate, each counted at the nearest usual rate"));
}

void CBitrateChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics = painter.fontMetrics();
    const int textHeight = metrics.height();
    const QRect area = rect().adjusted(4, textHeight + 4, -4, -(textHeight + 4));
    if (m_bars.isEmpty() || area.height() <= 0) {
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No bit rates known"));
        return;
    }
    qint64 most = 1;
    for (const SBar& bar : m_bars)
        most = std::max(most, bar.songs);
    const int slot = area.width() / int(m_bars.size());
    const QColor fill = palette().color(QPalette::Highlight);
    for (int i = 0; i < m_bars.size(); ++i) {
        const SBar& bar = m_bars[i];
        const int height = int(double(area.height()) * double(bar.songs) / double(most));
        const int width = std::clamp(slot * 2 / 3, 1, 48);
        const QRect column(area.left() + i * slot + (slot - width) / 2, area.bottom() - height + 1,
                           width, height);
        painter.fillRect(column, fill);
        const QRect count(area.left() + i * slot, column.top() - textHeight - 2, slot, textHeight);
        painter.drawText(count, Qt::AlignCenter, QString::number(bar.songs));
        const QRect label(area.left() + i * slot, area.bottom() + 3, slot, textHeight);
        painter.drawText(label, Qt::AlignCenter, bar.label);
    }
    painter.drawLine(area.bottomLeft(), area.bottomRight());
}

CStatisticsDialog::CStatisticsDialog(const SStatistics& s, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Statistics"));
    auto* totals = new QFormLayout;
    totals->addRow(QStringLiteral("Songs:"), Value(1027, QString::number(s.songs)));
    totals->addRow(QStringLiteral("Sessions:"), Value(1185, QString::number(s.sessions)));
    totals->addRow(QStringLiteral("Songs played:"), Value(1186, QString::number(s.timesUsed)));
    totals->addRow(QStringLiteral("Songs added to playlists:"),
                   Value(1187, QString::number(s.playlistUsed)));

    auto* average = new QGroupBox(QStringLiteral("Average"), this);
    auto* averageForm = new QFormLayout(average);
    averageForm->addRow(QStringLiteral("Song length:"), Value(1188, s.averageLength));
    averageForm->addRow(QStringLiteral("Bit rate:"),
                        Value(1189, QStringLiteral("%1 kbps").arg(s.averageBitrate)));

    auto* top = new QGroupBox(QStringLiteral("Most played"), this);
    auto* topGrid = new QGridLayout(top);
    // Only songs that were played: empty places say nothing.
    int shown = 0;
    for (int i = 0; i < 5 && s.top[size_t(i)].plays > 0; ++i, ++shown) {
        topGrid->addWidget(new QLabel(QStringLiteral("%1.").arg(i + 1), top), i, 0);
        topGrid->addWidget(Value(1195 + i, s.top[size_t(i)].name), i, 1);
        const qint64 plays = s.top[size_t(i)].plays;
        topGrid->addWidget(Value(1190 + i, plays == 1 ? QStringLiteral("1 play")
                                                      : QStringLiteral("%1 plays").arg(plays)),
                           i, 2);
    }
    if (shown == 0)
        topGrid->addWidget(new QLabel(QStringLiteral("No song has been played yet."), top), 0, 0);
    topGrid->setColumnStretch(1, 1);

    m_chart = new CBitrateChart(s.bitrates, this);
    auto* chartBox = new QGroupBox(QStringLiteral("Songs per bit rate"), this);
    (new QVBoxLayout(chartBox))->addWidget(m_chart);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(totals);
    layout->addWidget(average);
    layout->addWidget(top);
    layout->addWidget(chartBox);
    layout->addWidget(buttons);
}

QLabel* CStatisticsDialog::Value(int id, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::number(id));
    // Song names are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString CStatisticsDialog::Field(int id) const
{
    const auto* label = findChild<QLabel*>(QString::number(id));
    return label ? label->text() : QString();
}
