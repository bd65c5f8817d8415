#include "ui/trend_chart.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <chrono>

#include "ui/widget_factory.h"

namespace {

constexpr int64_t kSliceMs = 200;
constexpr int kSpanMinutes[] = {1, 5, 15};
constexpr int kDefaultSpan = 1; // 5 minutes
// Points across the chart for any span: about one every two pixels.
constexpr int64_t kPointsPerSpan = 300;
// The AD counts of the alarm threshold on either side of the base.
constexpr double kAlarmBandAD = kADDriftAlarm / kADDriftFactor;

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t LocalMs(DateTime value)
{
    const DateTimeParts parts = DecodeDateTime(value);
    return QDateTime(QDate(parts.year, parts.month, parts.day),
                     QTime(parts.hour, parts.minute, parts.second, parts.millisecond))
        .toMSecsSinceEpoch();
}

// Lowest and highest value with a margin, never narrower than minimumWidth.
std::pair<double, double> PaddedRange(double low, double high, double minimumWidth)
{
    const double middle = (low + high) / 2;
    const double half = std::max((high - low) * 0.55, minimumWidth / 2);
    return {middle - half, middle + half};
}

QLineSeries* MakeSeries(const char* name, const QString& caption, const QColor& color, int width)
{
    auto* series = new QLineSeries;
    series->setObjectName(QLatin1String(name));
    series->setName(caption);
    QPen pen(color);
    pen.setWidth(width);
    series->setPen(pen);
    return series;
}

} // namespace

TrendChart::TrendChart(QWidget* parent)
    : QGroupBox(tr("趋势"), parent), history_(kSliceMs, 15 * 60 * 1000)
{
    setObjectName(QStringLiteral("grpTrend"));

    QLabel* spanCaption = MakeLabel(this, "lblTrendSpan", tr("时间范围:"));
    spanBox_ = new QComboBox(this);
    spanBox_->setObjectName(QStringLiteral("cbbTrendSpan"));
    for (int minutes : kSpanMinutes)
        spanBox_->addItem(tr("%1分钟").arg(minutes), minutes);
    spanBox_->setCurrentIndex(kDefaultSpan);
    connect(spanBox_, &QComboBox::currentIndexChanged, this, [this] {
        stale_ = true;
        draw(NowMs());
    });

    chart_ = new QChart;
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    weight_ = MakeSeries("serTrendWeight", tr("显示重量(kg)"), QColor(0x1f, 0x4e, 0xa0), 2);
    ad_ = MakeSeries("serTrendAD", tr("实时AD值"), QColor(0xd0, 0x7a, 0x10), 1);
    bandUpper_ = new QLineSeries;
    bandLower_ = new QLineSeries;
    band_ = new QAreaSeries(bandUpper_, bandLower_);
    // The area does not own its edges.
    bandUpper_->setParent(band_);
    bandLower_->setParent(band_);
    band_->setObjectName(QStringLiteral("serTrendAlarmBand"));
    band_->setName(tr("预警范围"));
    band_->setBrush(QColor(220, 40, 40, 40));
    band_->setPen(QPen(QColor(220, 40, 40, 120), 1, Qt::DashLine));
    alarmMoment_ = MakeSeries("serTrendAlarmMoment", tr("预警时刻"), Qt::red, 2);
    chart_->addSeries(band_);
    chart_->addSeries(weight_);
    chart_->addSeries(ad_);
    chart_->addSeries(alarmMoment_);

    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("HH:mm:ss"));
    timeAxis_->setTickCount(4);
    weightAxis_ = new QValueAxis;
    weightAxis_->setTitleText(tr("重量(kg)"));
    weightAxis_->setLabelFormat(QStringLiteral("%.3f"));
    adAxis_ = new QValueAxis;
    adAxis_->setTitleText(tr("AD值"));
    adAxis_->setLabelFormat(QStringLiteral("%.0f"));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(weightAxis_, Qt::AlignLeft);
    chart_->addAxis(adAxis_, Qt::AlignRight);
    for (QAbstractSeries* series :
         std::initializer_list<QAbstractSeries*>{weight_, ad_, band_, alarmMoment_})
        series->attachAxis(timeAxis_);
    weight_->attachAxis(weightAxis_);
    for (QAbstractSeries* series :
         std::initializer_list<QAbstractSeries*>{ad_, band_, alarmMoment_})
        series->attachAxis(adAxis_);
    band_->setVisible(false);
    alarmMoment_->setVisible(false);

    view_ = new QChartView(chart_, this);
    view_->setObjectName(QStringLiteral("chtTrend"));
    view_->setMinimumSize(420, 240);

    auto* top = new QHBoxLayout;
    top->addWidget(spanCaption);
    top->addWidget(spanBox_);
    top->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(view_, 1);
}

int64_t TrendChart::spanMs() const { return int64_t{spanBox_->currentData().toInt()} * 60 * 1000; }

int64_t TrendChart::pointMs() const { return std::max(kSliceMs, spanMs() / kPointsPerSpan); }

void TrendChart::addReading(const WeightReading& reading)
{
    history_.add(NowMs(), reading.displayed, reading.liveAD);
}

void TrendChart::showDrift(const std::optional<DriftMonitor>& monitor)
{
    std::optional<double> base;
    std::optional<int64_t> alarm;
    if (monitor && monitor->startedAt && !monitor->baseFromNextReading)
        base = monitor->baseAD;
    if (monitor && monitor->alarmAt)
        alarm = LocalMs(*monitor->alarmAt);
    if (base == bandBaseAD_ && alarm == alarmAtMs_)
        return;
    bandBaseAD_ = base;
    alarmAtMs_ = alarm;
    stale_ = true;
}

void TrendChart::showEvent(QShowEvent* event)
{
    QGroupBox::showEvent(event);
    draw(NowMs());
}

void TrendChart::refresh()
{
    if (!isVisible())
        return;
    const int64_t now = NowMs();
    if (!stale_ && now - now % pointMs() == drawnPointAtMs_)
        return;
    draw(now);
}

void TrendChart::draw(int64_t nowMs)
{
    stale_ = false;
    drawnPointAtMs_ = nowMs - nowMs % pointMs();
    const int64_t since = nowMs - spanMs();
    QList<QPointF> weights, ads;
    double lowKg = 0, highKg = 0, lowAD = 0, highAD = 0;
    const std::vector<TrendPoint> points = history_.points(since, pointMs());
    for (const TrendPoint& point : points) {
        const auto at = static_cast<qreal>(point.atMs);
        weights.append({at, point.weightKg});
        ads.append({at, point.ad});
        const bool first = weights.size() == 1;
        lowKg = first ? point.weightKg : std::min(lowKg, point.weightKg);
        highKg = first ? point.weightKg : std::max(highKg, point.weightKg);
        lowAD = first ? point.ad : std::min(lowAD, point.ad);
        highAD = first ? point.ad : std::max(highAD, point.ad);
    }
    weight_->replace(weights);
    ad_->replace(ads);

    if (bandBaseAD_) {
        const double upper = *bandBaseAD_ + kAlarmBandAD, lower = *bandBaseAD_ - kAlarmBandAD;
        bandUpper_->replace(
            {{static_cast<qreal>(since), upper}, {static_cast<qreal>(nowMs), upper}});
        bandLower_->replace(
            {{static_cast<qreal>(since), lower}, {static_cast<qreal>(nowMs), lower}});
        lowAD = points.empty() ? lower : std::min(lowAD, lower);
        highAD = points.empty() ? upper : std::max(highAD, upper);
    }
    band_->setVisible(bandBaseAD_.has_value());

    const auto [weightLow, weightHigh] = PaddedRange(lowKg, highKg, 0.01);
    const auto [adLow, adHigh] = PaddedRange(lowAD, highAD, 20);
    weightAxis_->setRange(weightLow, weightHigh);
    adAxis_->setRange(adLow, adHigh);
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(since),
                        QDateTime::fromMSecsSinceEpoch(nowMs));

    const bool alarmShown = alarmAtMs_ && *alarmAtMs_ >= since;
    if (alarmShown) {
        const auto at = static_cast<qreal>(*alarmAtMs_);
        alarmMoment_->replace({{at, adLow}, {at, adHigh}});
    }
    alarmMoment_->setVisible(alarmShown);
}
