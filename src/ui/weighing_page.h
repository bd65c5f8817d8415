#pragma once
// The page "称量": the live weight, the port, zero, tare, the receipt and
// the drift monitor ("AD检测区").

#include <QWidget>

#include <optional>

#include "protocol/drift_monitor.h"
#include "protocol/weight.h"
#include "serial/port_discovery.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QVBoxLayout;
class LedDisplay;
class PortBox;
class PortWatch;
class ScaleSession;
class TrendChart;

class WeighingPage : public QWidget {
    Q_OBJECT
public:
    WeighingPage(ScaleSession& session, QWidget* parent);

    // What the session reports. Readings and drift are shown at most once
    // per screen refresh, the newest one; the trend keeps every reading.
    void showReading(const WeightReading& reading);
    void showDrift(const DriftMonitor& monitor);
    void showTare(double tare);
    void showConnected(bool connected);
    void showWaitingForDevice(bool waiting);
    // A weight that is not live is shown grey ("-----" before the first).
    void showWeightLive(bool live);

    // The port and rate to open, as remembered; then opened as by "打开".
    void openPort(const QString& name, int baudRate);

    // Probes the devices present at this rate, as "探测" does.
    void probeAt(int baudRate);
    // What a probe found ("探测"): each port's answer, then the end.
    void showProbeAnswer(const QString& port, bool answers);
    void showProbeFinished();

    // Where the port list looks for devices (tests give a tree of their
    // own); the list is refreshed at once and watched from then on.
    void setPortDiscoveryRoots(const serial::PortDiscoveryRoots& roots);
    // The port list from the devices present now.
    void refreshPorts();

private:
    void buildDisplay(QVBoxLayout* column);
    void buildPortAndActions(QVBoxLayout* column);
    void buildDriftMonitor(QVBoxLayout* column);
    void openClicked();
    void probeClicked();
    void samplingClicked();
    void printClicked();
    void refresh();
    void applyDrift(const DriftMonitor& monitor);
    // The tare and the weight as the receipt prints them.
    QString receiptTare() const;
    void showPortButtons();
    QString receiptWeight() const;

    ScaleSession& session_;
    std::optional<WeightReading> pendingReading_;
    std::optional<DriftMonitor> pendingDrift_;
    // The tare as the tare operation left it ("-" before the first).
    std::optional<double> tareShown_;
    bool connected_ = false;
    bool waitingForDevice_ = false;
    // What "打开" and "探测" use: the port and rate as last typed or chosen
    // (9600 for a rate that is no number).
    std::string portToOpen_;
    uint32_t baudRateToOpen_ = 9600;
    QTimer* refreshTimer_ = nullptr;

    LedDisplay* weightDisplay_ = nullptr;
    QLabel* calibrationWeight_ = nullptr;
    QLabel* division_ = nullptr;
    QLabel* tare_ = nullptr;
    QLabel* rawWeight_ = nullptr;
    PortBox* portBox_ = nullptr;
    QPushButton* probeButton_ = nullptr;
    PortWatch* portWatch_ = nullptr;
    serial::PortDiscoveryRoots portRoots_;
    QComboBox* baudRateBox_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* samplingButton_ = nullptr;

    QGroupBox* driftGroup_ = nullptr;
    QLineEdit* baseAD_ = nullptr;
    QLineEdit* liveAD_ = nullptr;
    QLineEdit* differenceAD_ = nullptr;
    QLineEdit* drift_ = nullptr;
    QLineEdit* startedAt_ = nullptr;
    QLineEdit* runMinutes_ = nullptr;
    QLineEdit* alarmAt_ = nullptr;
    QLineEdit* alarmMinutes_ = nullptr;
    TrendChart* trend_ = nullptr;
};

// The interval of the display refresh: one frame of the primary screen.
int DisplayRefreshMs();
