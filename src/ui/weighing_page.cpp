#include "ui/weighing_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "app/delay.h"
#include "protocol/number_format.h"
#include "session/scale_session.h"
#include "ui/led_display.h"
#include "ui/port_box.h"
#include "ui/port_watch.h"
#include "ui/receipt_printing.h"
#include "ui/trend_chart.h"
#include "ui/widget_factory.h"

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

QStringList PortItems()
{
    QStringList items;
    for (int i = 1; i <= 20; ++i)
        items << QStringLiteral("Com%1").arg(i);
    return items;
}

template <typename Number> QString OptionalNumber(const std::optional<Number>& value)
{
    return value ? QString::number(*value) : QString();
}

QString OptionalTime(const std::optional<DateTime>& value)
{
    return value ? Text(FormatDateTime(kPatternDateTime, *value)) : QString();
}

} // namespace

int DisplayRefreshMs()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double hertz = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    return std::max(1, static_cast<int>(std::lround(1000.0 / hertz)));
}

WeighingPage::WeighingPage(ScaleSession& session, QWidget* parent)
    : QWidget(parent), session_(session)
{
    setObjectName(QStringLiteral("TabSheet5"));
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(DisplayRefreshMs());
    connect(refreshTimer_, &QTimer::timeout, this, [this] { refresh(); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    buildDisplay(column);
    buildPortAndActions(column);
    buildDriftMonitor(column);
}

void WeighingPage::buildDisplay(QVBoxLayout* column)
{
    QGroupBox* group = MakeGroup(this, "grp1", tr("显示"));
    group->setMinimumHeight(121);
    auto* display = new QHBoxLayout(group);
    weightDisplay_ = new LedDisplay(group);
    weightDisplay_->setObjectName(QStringLiteral("DispValue"));
    weightDisplay_->SetCaption(QStringLiteral("-----"));
    showWeightLive(false);
    display->addWidget(weightDisplay_, 1);
    QLabel* unit = MakeLabel(group, "pnlunit", QStringLiteral("kg"));
    unit->setMinimumWidth(75);
    unit->setAlignment(Qt::AlignCenter);
    unit->setFont(PixelFont(Face::Song, 56, true));
    display->addWidget(unit);
    column->addWidget(group);

    auto* values = new QHBoxLayout;
    values->setContentsMargins(19, 12, 19, 12);
    values->addWidget(MakeLabel(this, "lblAnyWeight", tr("任意点值:")));
    calibrationWeight_ = MakeLabel(this, "lblAnyValue", QStringLiteral("-"));
    values->addWidget(calibrationWeight_);
    values->addSpacing(60);
    QLabel* divisionCaption = MakeLabel(this, "lblFD", tr("分度数:"));
    division_ = MakeLabel(this, "lblFDvalue", QStringLiteral("-"));
    divisionCaption->hide();
    division_->hide();
    values->addWidget(divisionCaption);
    values->addWidget(division_);
    values->addWidget(MakeLabel(this, "lbl5", tr("皮重:")));
    tare_ = MakeLabel(this, "lbltare", QStringLiteral("-"));
    values->addWidget(tare_);
    values->addSpacing(160);
    rawWeight_ = MakeLabel(this, "lbl4", QStringLiteral("-"));
    values->addWidget(rawWeight_);
    values->addStretch(1);
    column->addLayout(values);
}

void WeighingPage::buildPortAndActions(QVBoxLayout* column)
{
    const QFont captionFont = PixelFont(Face::Tahoma, 19);
    const QFont boxFont = PixelFont(Face::Tahoma, 21);

    auto* port = new QGridLayout;
    QLabel* portCaption = MakeLabel(this, "lbl1", tr("串口号:"));
    portCaption->setFont(captionFont);
    portBox_ = new PortBox(this, PortItems());
    portBox_->setObjectName(QStringLiteral("cbbComm"));
    // A port behind a serial device server is typed as its address.
    portBox_->setToolTip(
        tr("串口，或串口服务器上的端口：rfc2217://主机:端口 或 socket://主机:端口"));
    portBox_->setFont(boxFont);
    // The devices present above "Com1"…; again whenever the list opens and
    // whenever devices come or go.
    portWatch_ = new PortWatch(this);
    connect(portBox_, &PortBox::aboutToShowPopup, this, [this] { refreshPorts(); });
    connect(portWatch_, &PortWatch::portsChanged, this, [this] { refreshPorts(); });
    setPortDiscoveryRoots(portRoots_);
    // Wide enough for a device path; a longer one widens the box.
    FitWidthTo(portBox_, {QStringLiteral("/dev/ttyUSB0")});
    connect(portBox_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        portToOpen_ = text.toStdString();
        FitWidthTo(portBox_, {QStringLiteral("/dev/ttyUSB0"), text});
    });
    portBox_->setEditText(QStringLiteral("Com1"));
    QLabel* rateCaption = MakeLabel(this, "lbl2", tr("波特率:"));
    rateCaption->setFont(captionFont);
    baudRateBox_ =
        MakeDropDown(this, "cbbRate",
                     {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                      QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                      QStringLiteral("57600"), QStringLiteral("115200")});
    baudRateBox_->setFont(boxFont);
    connect(baudRateBox_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        bool isNumber = false;
        const int baudRate = text.toInt(&isNumber, 10);
        baudRateToOpen_ = isNumber && baudRate > 0 ? static_cast<uint32_t>(baudRate) : 9600;
    });
    baudRateBox_->setEditText(QStringLiteral("9600"));
    FitWidthTo(baudRateBox_, {QStringLiteral("115200")});
    // "探测": which of the ports listed has a controller behind it, at the rate chosen.
    probeButton_ = MakeButton(this, "btnProbe", tr("探测"));
    probeButton_->setFont(captionFont);
    // The port box runs over the rate and the probe button below it.
    port->addWidget(portCaption, 0, 0);
    port->addWidget(portBox_, 0, 1, 1, 2);
    port->addWidget(rateCaption, 1, 0);
    port->addWidget(baudRateBox_, 1, 1);
    port->addWidget(probeButton_, 1, 2);

    auto* actions = new QHBoxLayout;
    actions->setContentsMargins(19, 0, 19, 0);
    actions->addLayout(port);
    auto addButton = [&](const char* name, const QString& caption, int width) {
        QPushButton* button = MakeButton(this, name, caption);
        button->setMinimumSize(width, 72);
        actions->addWidget(button);
        return button;
    };
    openButton_ = addButton("btnOpen", tr("打开"), 98);
    closeButton_ = addButton("btnClose", tr("关闭"), 98);
    actions->addSpacing(30);
    QPushButton* zeroButton = addButton("btnClear", tr("清零"), 138);
    QPushButton* tareButton = addButton("btnRemove", tr("去皮"), 138);
    printButton_ = addButton("btnPrinte", tr("打印"), 138);
    samplingButton_ = addButton("btnStart", tr("开始采样"), 138);
    actions->addStretch(1);
    column->addLayout(actions);

    OnClick(probeButton_, [this] { probeClicked(); });
    OnClick(openButton_, [this] { openClicked(); });
    OnClick(closeButton_, [this] { session_.closePort(); });
    OnClick(zeroButton, [this] { session_.zero(); });
    OnClick(tareButton, [this] { session_.tare(); });
    OnClick(printButton_, [this] { printClicked(); });
    OnClick(samplingButton_, [this] { samplingClicked(); });
}

void WeighingPage::buildDriftMonitor(QVBoxLayout* column)
{
    driftGroup_ = MakeGroup(this, "grp3", tr("AD检测区"));
    driftGroup_->hide();
    const QFont font = PixelFont(Face::Song, 27, true);
    auto* grid = new QGridLayout(driftGroup_);
    grid->setHorizontalSpacing(12);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    auto addRow = [&](int row, int column, const char* labelName, const QString& caption,
                      const char* editName, const QString& text) {
        QLabel* label = MakeLabel(driftGroup_, labelName, caption);
        label->setFont(font);
        QLineEdit* edit = MakeEdit(driftGroup_, editName, text);
        edit->setFont(font);
        edit->setReadOnly(true);
        grid->addWidget(label, row, column);
        grid->addWidget(edit, row, column + 1);
        return edit;
    };
    const QString zero = QStringLiteral("0");
    baseAD_ = addRow(0, 0, "lblBaseAD", tr("开始AD值："), "edtBaseAD", zero);
    liveAD_ = addRow(0, 2, "lblNowAD", tr("实时AD值："), "edtNowAD", zero);
    differenceAD_ = addRow(1, 0, "lblDiffAD", tr("差异AD值："), "edtDiffAD", zero);
    drift_ = addRow(1, 2, "lblDiffValue", tr("预估差值："), "edtDiffValue", zero);
    startedAt_ = addRow(2, 0, "lblStartDt", tr("开始时间："), "edtStartDt", {});
    runMinutes_ = addRow(2, 2, "lbl15", tr("运行时长："), "edtRunCount", {});
    alarmAt_ = addRow(3, 0, "lblErrorDt", tr("预警时间："), "edtErrorDt", {});
    alarmMinutes_ = addRow(3, 2, "lbl10", tr("预警时长："), "edtErrorCount", {});
    for (QLineEdit* edit : {baseAD_, liveAD_, differenceAD_, drift_})
        FitWidthTo(edit, {QStringLiteral("-2147483648")});
    for (QLineEdit* edit : {startedAt_, alarmAt_})
        FitWidthTo(edit, {QStringLiteral("2026-12-10 23:59:59")});
    for (QLineEdit* edit : {runMinutes_, alarmMinutes_})
        FitWidthTo(edit, {QStringLiteral("9999999")});
    trend_ = new TrendChart(this);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(19, 0, 19, 0);
    row->addWidget(driftGroup_, 0, Qt::AlignTop);
    row->addWidget(trend_, 1);
    column->addLayout(row, 1);
}

void WeighingPage::openPort(const QString& name, int baudRate)
{
    portBox_->setEditText(name);
    baudRateBox_->setEditText(QString::number(baudRate));
    showConnected(false);
    openButton_->click();
}

void WeighingPage::openClicked() { session_.openPort(portToOpen_, baudRateToOpen_); }

void WeighingPage::setPortDiscoveryRoots(const serial::PortDiscoveryRoots& roots)
{
    portRoots_ = roots;
    portWatch_->watch(portRoots_);
    refreshPorts();
}

void WeighingPage::refreshPorts() { portBox_->showPresent(serial::DiscoverPorts(portRoots_)); }

void WeighingPage::probeClicked()
{
    refreshPorts();
    std::vector<std::string> ports;
    for (const QString& port : portBox_->presentPorts())
        ports.push_back(port.toStdString());
    portBox_->clearAnswers();
    session_.probePorts(ports, baudRateToOpen_);
    // Pressed again once the probe has ended (probeFinished).
    probeButton_->setEnabled(!session_.probing());
}

void WeighingPage::probeAt(int baudRate)
{
    baudRateBox_->setEditText(QString::number(baudRate));
    probeClicked();
}

void WeighingPage::showProbeAnswer(const QString& port, bool answers)
{
    portBox_->markAnswer(port, answers);
}

void WeighingPage::showProbeFinished() { probeButton_->setEnabled(true); }

void WeighingPage::showConnected(bool connected)
{
    connected_ = connected;
    showPortButtons();
}

void WeighingPage::showWaitingForDevice(bool waiting)
{
    waitingForDevice_ = waiting;
    showPortButtons();
}

void WeighingPage::showPortButtons()
{
    // While the session waits for a lost device, "关闭" stops the waiting.
    openButton_->setEnabled(!connected_ && !waitingForDevice_);
    closeButton_->setEnabled(connected_ || waitingForDevice_);
    printButton_->setEnabled(connected_);
}

void WeighingPage::samplingClicked()
{
    if (!session_.toggleSampling()) {
        samplingButton_->setText(tr("开始取样"));
        trend_->showDrift(std::nullopt);
        return;
    }
    driftGroup_->setVisible(true);
    pendingDrift_.reset();
    applyDrift(session_.driftMonitor());
    samplingButton_->setText(tr("停止取样"));
}

QString WeighingPage::receiptWeight() const
{
    const auto& reading = session_.lastReading();
    return Text(FormatThreeDecimals(reading ? reading->displayed : 0.0));
}

QString WeighingPage::receiptTare() const
{
    return tareShown_ ? Text(FormatThreeDecimals(*tareShown_)) : QStringLiteral("-");
}

void WeighingPage::printClicked()
{
    printButton_->setEnabled(false);
    // However printing ends, the button is usable again before a failure
    // goes on to the general error display.
    const auto enableAgain = qScopeGuard([this] { printButton_->setEnabled(true); });
    PrintLines(ReceiptLines(receiptTare(), receiptWeight()));
    // The printer is given half a second with the button still disabled;
    // the window keeps handling replies and clicks meanwhile.
    Delay(500);
}

void WeighingPage::showTare(double tare)
{
    tareShown_ = tare;
    tare_->setText(receiptTare());
}

void WeighingPage::showWeightLive(bool live)
{
    weightDisplay_->setStyleSheet(live ? QStringLiteral("background: white; color: black;")
                                       : QStringLiteral("background: white; color: #a0a0a0;"));
}

void WeighingPage::showReading(const WeightReading& reading)
{
    trend_->addReading(reading);
    pendingReading_ = reading;
    if (!refreshTimer_->isActive())
        refreshTimer_->start();
}

void WeighingPage::showDrift(const DriftMonitor& monitor)
{
    pendingDrift_ = monitor;
    if (!refreshTimer_->isActive())
        refreshTimer_->start();
}

void WeighingPage::refresh()
{
    if (pendingReading_) {
        const WeightReading& reading = *pendingReading_;
        rawWeight_->setText(Text(FormatUpToSixDecimals(reading.rawWeight)));
        weightDisplay_->SetCaption(Text(FormatThreeDecimals(reading.displayed)));
        calibrationWeight_->setText(QString::number(reading.calibrationWeight));
        division_->setText(Text(DivisionText(reading.division)));
        pendingReading_.reset();
    }
    if (pendingDrift_) {
        applyDrift(*pendingDrift_);
        pendingDrift_.reset();
    }
    trend_->refresh();
}

void WeighingPage::applyDrift(const DriftMonitor& monitor)
{
    trend_->showDrift(monitor);
    liveAD_->setText(QString::number(monitor.liveAD));
    baseAD_->setText(QString::number(monitor.baseAD));
    differenceAD_->setText(QString::number(monitor.differenceAD));
    drift_->setText(Text(FormatGeneral(monitor.drift)));
    startedAt_->setText(OptionalTime(monitor.startedAt));
    runMinutes_->setText(OptionalNumber(monitor.runMinutes));
    alarmAt_->setText(OptionalTime(monitor.alarmAt));
    alarmMinutes_->setText(OptionalNumber(monitor.alarmMinutes));
}
