#pragma once

#include "reports/CStatistics.h"

#include <QDialog>
#include <QWidget>

class QLabel;

// Songs per bit rate as bars, one per usual step that has songs.
class CBitrateChart : public QWidget
{
    Q_OBJECT
public:
    using SBar = SBitrateStep;

    explicit CBitrateChart(const QList<QPair<qint64, qint64>>& bitrates, QWidget* parent = nullptr);
    const QList<SBar>& Bars() const { return m_bars; }

    QSize sizeHint() const override { return QSize(540, 150); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<SBar> m_bars;
};

// "Statistics": totals, averages and the five most played songs (only those played), with
// the chart below.
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
