#pragma once
// The main window: the title band, the pages with their tabs, the status
// bar, start-up and closing. It owns the scale session, shows what the
// session reports (translated as it is shown, app/shown_text.h) and lets
// its pages drive it. Controls carry their names as objectName (see
// docs/controls.md), so tests and automation find them.

#include <QMainWindow>

#include <optional>

#include "app/qt_session_host.h"
#include "session/scale_session.h"

class QLabel;
class QStatusBar;
class QTabWidget;
class CalibrationPage;
class CityDialog;
class PlacePage;
class QTimer;
class WeighingPage;

class MainWindow : public QMainWindow, public SessionListener {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens the port remembered in the settings file, as at start-up.
    void openRememberedPort();
    // Opens `port` at the remembered baud rate instead, for this start only:
    // the settings file keeps the port it names (--port).
    void openPortForThisStart(const QString& port);
    // The port a second start was given: once the operator agrees to give
    // up the port in use (asked only when one is open), it is closed and
    // this one opened, as for this start only.
    void openHandedOverPort(const QString& port);

    ScaleSession& session() { return session_; }
    QString statusText() const;

    // Handler of window message 1224: the first edit directly on the most
    // recently active form shows asterisks.
    void showFirstEditAsPassword();

protected:
    void closeEvent(QCloseEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    // No port remembered: the devices present are probed and the first
    // that answers is opened; "未选择串口" when none does.
    void openFirstAnsweringPort(int baudRate);
    void buildFrame();
    void openPortAtStart(const std::optional<QString>& port);
    // Shows the city dialog (created on first use and kept); the chosen row or -1.
    int chooseCityRow();

    void statusChanged(const std::string& text) override;
    void statusWithValueChanged(const std::string& fixedText, const std::string& value) override;
    void statusWithValueAndReasonChanged(const std::string& fixedText, const std::string& value,
                                         const std::string& reason) override;
    void showStatus(const QString& text);
    // Shows whether the weight is live (ScaleSession::weightIsLive); while it
    // is, checked a few times a second, so that a stream that stops turns
    // the displays grey.
    void checkWeightLive();
    void connectionChanged(bool connected) override;
    void waitingForDevice(bool waiting) override;
    void weightMeasured(const WeightReading& reading) override;
    void parametersReported(const ParameterReport& report) override;
    void placeChanged(GravityPlace place, const std::string& name, int32_t gravity) override;
    void driftChanged(const DriftMonitor& monitor) override;
    void tareChanged(double tare) override;
    void baseValueChanged(double baseValue) override;
    void portProbed(const std::string& port, bool answers) override;
    void probeFinished(int answering) override;

    QtSessionHost host_;
    ScaleSession session_;

    QTabWidget* pages_ = nullptr;
    WeighingPage* weighingPage_ = nullptr;
    PlacePage* placePage_ = nullptr;
    CalibrationPage* calibrationPage_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* statusText_ = nullptr;
    CityDialog* cityDialog_ = nullptr;
    QTimer* liveCheck_ = nullptr;
    bool weightLive_ = false;
    // With no port remembered, the first device that answers the probe is
    // opened at this rate; none while no such probe runs.
    std::optional<int> choosingPortAt_;
};
