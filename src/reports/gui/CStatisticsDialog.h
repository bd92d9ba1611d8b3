#pragma once

#include "reports/CStatistics.h"

#include <QDialog>
#include <QWidget>

class QLabel;

// Songs per bit rate as bars: the most common rates, the rest gathered in "other".
class CBitrateChart : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxBars = 8;
    struct SBar
    {
        QString label;
        qint64 songs = 0;
    };

    explicit CBitrateChart(const QList<QPair<qint64, qint64>>& bitrates, QWidget* parent = nullptr);
    const QList<SBar>& Bars() const { return m_bars; }
    // The bars for songs per bit rate: at most kMaxBars, in bit-rate order.
    static QList<SBar> MakeBars(const QList<QPair<qint64, qint64>>& bitrates);

    QSize sizeHint() const override { return QSize(320, 150); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<SBar> m_bars;
};

// "Statistics": totals, averages and the five most played songs, with the chart below.
class CStatisticsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CStatisticsDialog(const SStatistics& statistics, QWidget* parent = nullptr);
    // The value shown in a field, by its identifier (1027, 1185 to 1199).
    QString Field(int id) const;
    const CBitrateChart* Chart() const { return m_chart; }

private:
    QLabel* Value(int id, const QString& text);
    CBitrateChart* m_chart = nullptr;
};
