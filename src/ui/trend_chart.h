#pragma once
// The trend beside the drift monitor ("趋势"): the displayed weight and the
// live AD over the last 1, 5 or 15 minutes, the drift alarm band around the
// base AD while sampling, and the moment of the alarm. Readings are only
// kept as they come; the chart is drawn at the display refresh, and then
// only when the chosen span has a new point.

#include <QGroupBox>

#include <cstdint>
#include <optional>

#include "protocol/drift_monitor.h"
#include "protocol/weight.h"
#include "ui/trend_history.h"

class QAreaSeries;
class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

class TrendChart : public QGroupBox {
    Q_OBJECT
public:
    explicit TrendChart(QWidget* parent);

    // Every reading, at the frame rate.
    void addReading(const WeightReading& reading);
    // The drift monitor while sampling runs; nullopt once it stops.
    void showDrift(const std::optional<DriftMonitor>& monitor);
    // Called at the display refresh: draws when there is something new.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void draw(int64_t nowMs);
    int64_t spanMs() const;
    int64_t pointMs() const;

    TrendHistory history_;
    std::optional<double> bandBaseAD_;
    std::optional<int64_t> alarmAtMs_;
    bool stale_ = true;
    int64_t drawnPointAtMs_ = -1;

    QComboBox* spanBox_ = nullptr;
    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    QLineSeries* weight_ = nullptr;
    QLineSeries* ad_ = nullptr;
    QLineSeries* bandUpper_ = nullptr;
    QLineSeries* bandLower_ = nullptr;
    QAreaSeries* band_ = nullptr;
    QLineSeries* alarmMoment_ = nullptr;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* weightAxis_ = nullptr;
    QValueAxis* adAxis_ = nullptr;
};
