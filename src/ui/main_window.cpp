#include "ui/main_window.h"

#include <QApplication>

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "app/app_identity.h"
#include "app/general_error.h"
#include "app/message_boxes.h"
#include "app/shown_text.h"
#include "app_core/ini_file.h"
#include "app_core/sys_settings.h"
#include "protocol/gravity.h"
#include "session/record_location.h"
#include "ui/calibration_page.h"
#include "ui/city_dialog.h"
#include "ui/page_tab_bar.h"
#include "ui/place_page.h"
#include "ui/weighing_page.h"
#include "ui/widget_factory.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
constexpr QSize kPreferredSize(1314, 820);
} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), host_(this), session_(host_, *this)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(tr("电子称配置工具V2.2"));
    setFont(PixelFont(Face::Tahoma, 11));
    setBackgroundRole(QPalette::Button);
    session_.setRecordFile(DefaultRecordFilePath());
    buildFrame();
    liveCheck_ = new QTimer(this);
    liveCheck_->setInterval(250);
    connect(liveCheck_, &QTimer::timeout, this, [this] { checkWeightLive(); });
    // As large as preferred, but never larger than the screen.
    QSize size = kPreferredSize;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableSize());
        resize(size);
        move(screen->availableGeometry().center() - rect().center());
    } else {
        resize(size);
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::buildFrame()
{
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    auto* band = new QFrame(central);
    band->setObjectName(QStringLiteral("pnlTop"));
    band->setFrameShape(QFrame::NoFrame);
    band->setFixedHeight(73);
    auto* bandLayout = new QVBoxLayout(band);
    bandLayout->setContentsMargins(0, 0, 0, 0);
    QLabel* title = MakeLabel(band, "rzpnlTop", tr("电子称配置工具 "));
    title->setAlignment(Qt::AlignCenter);
    title->setToolTip(VersionText());
    title->setFont(PixelFont(Face::Kai, 48, true));
    title->setStyleSheet(QStringLiteral(
        "QLabel#rzpnlTop { color: white; background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
        "stop:0 #fff8dc, stop:1 #008080); }"));
    bandLayout->addWidget(title);
    column->addWidget(band);

    pages_ = new SideTabWidget(central);
    pages_->setObjectName(QStringLiteral("RzPageControl1"));
    column->addWidget(pages_, 1);

    const QFont pageFont = PixelFont(Face::Song, 13, true);
    auto addPage = [&](QWidget* page, const QString& caption, QStyle::StandardPixmap picture) {
        page->setFont(pageFont);
        pages_->addTab(page, style()->standardIcon(picture), caption);
    };
    const auto chooseRow = [this] { return chooseCityRow(); };
    weighingPage_ = new WeighingPage(session_, pages_);
    placePage_ = new PlacePage(session_, chooseRow, pages_);
    calibrationPage_ = new CalibrationPage(session_, chooseRow, pages_);
    auto* printerPage = new QWidget(pages_);
    printerPage->setObjectName(QStringLiteral("TabSheet2"));
    addPage(weighingPage_, tr("称量"), QStyle::SP_ComputerIcon);
    addPage(placePage_, tr("使用设置"), QStyle::SP_DirHomeIcon);
    addPage(calibrationPage_, tr("标定"), QStyle::SP_FileDialogDetailedView);
    addPage(printerPage, tr("打印机"), QStyle::SP_DriveFDIcon);
    pages_->setTabVisible(pages_->indexOf(printerPage), false);
    pages_->setCurrentWidget(weighingPage_);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("statTip"));
    statusBar_->setSizeGripEnabled(false);
    auto* caption = new QLabel(tr("状态"), statusBar_);
    caption->setMinimumWidth(80);
    statusText_ = new QLabel(statusBar_);
    statusText_->setMinimumWidth(200);
    statusBar_->addWidget(caption);
    statusBar_->addWidget(statusText_, 1);
    setStatusBar(statusBar_);
}

void MainWindow::openRememberedPort() { openPortAtStart(std::nullopt); }

void MainWindow::openPortForThisStart(const QString& port) { openPortAtStart(port); }

void MainWindow::openHandedOverPort(const QString& port)
{
    // As the operator would: close the port in use, then open the other;
    // a port in use is only given up when the operator agrees.
    if (session_.connected() || session_.waitingForDevice()) {
        const QString current = QString::fromStdString(session_.portName());
        if (!Boxes().Confirm(tr("串口 %1 正在使用，是否关闭它并打开 %2？").arg(current, port),
                             MessageBoxes::Kind::ConfirmOkCancel))
            return;
        session_.closePort();
    }
    openPortAtStart(port);
}

void MainWindow::openPortAtStart(const std::optional<QString>& port)
{
    const IniFile ini(SettingsFilePath());
    const std::string remembered = ini.ReadString(kCommSetSection, kCommNoKey, "");
    const std::optional<int> baudRate = SettingsBaudRate(ini);
    if (!baudRate)
        Boxes().Error(
            tr("配置文件中的波特率 BaudRate=%1 无效，使用 %2。")
                .arg(QString::fromStdString(ini.ReadString(kCommSetSection, kBaudRateKey, "")),
                     QString::number(kDefaultBaudRate)));
    calibrationPage_->showBaseValue(session_.weighing().baseValue);
#ifndef Q_OS_WIN
    // Only Windows has a port every machine may have (Com3).
    if (!port && remembered.empty()) {
        openFirstAnsweringPort(baudRate.value_or(kDefaultBaudRate));
        return;
    }
#endif
    const QString name = port                 ? *port
                         : remembered.empty() ? QString::fromUtf8(kDefaultCommNo)
                                              : QString::fromStdString(remembered);
    // A port given for this start is not remembered; later opens are.
    session_.setRemembersPort(!port);
    const auto rememberAgain = qScopeGuard([this] { session_.setRemembersPort(true); });
    weighingPage_->openPort(name, baudRate.value_or(kDefaultBaudRate));
}

void MainWindow::openFirstAnsweringPort(int baudRate)
{
    choosingPortAt_ = baudRate;
    weighingPage_->probeAt(baudRate);
}

QString MainWindow::statusText() const { return statusText_->text(); }

int MainWindow::chooseCityRow()
{
    if (!cityDialog_)
        cityDialog_ = new CityDialog(this);
    cityDialog_->exec();
    return cityDialog_->chosenRow();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!Boxes().Confirm(tr("您确定要退出系统吗？"), MessageBoxes::Kind::ConfirmOkCancel)) {
        event->ignore();
        return;
    }
    event->accept();
    session_.shutDown();
}

// --- What the session reports -------------------------------------------

void MainWindow::statusChanged(const std::string& text) { showStatus(SessionText(text)); }

void MainWindow::statusWithValueChanged(const std::string& fixedText, const std::string& value)
{
    showStatus(SessionText(fixedText, value));
}

void MainWindow::statusWithValueAndReasonChanged(const std::string& fixedText,
                                                 const std::string& value,
                                                 const std::string& reason)
{
    showStatus(SessionText(fixedText, value) + SessionText(reason));
}

void MainWindow::showStatus(const QString& text)
{
    statusText_->setText(text);
    // Drawn now: the session often goes on working without handling events.
    statusBar_->repaint();
}

void MainWindow::connectionChanged(bool connected)
{
    weighingPage_->showConnected(connected);
    calibrationPage_->showConnected(connected);
    checkWeightLive();
}

void MainWindow::waitingForDevice(bool waiting) { weighingPage_->showWaitingForDevice(waiting); }

void MainWindow::weightMeasured(const WeightReading& reading)
{
    weighingPage_->showReading(reading);
    calibrationPage_->showReading(reading);
    if (!weightLive_)
        checkWeightLive();
}

void MainWindow::checkWeightLive()
{
    const bool live = session_.weightIsLive();
    if (live == weightLive_)
        return;
    weightLive_ = live;
    weighingPage_->showWeightLive(live);
    calibrationPage_->showWeightLive(live);
    if (live) {
        liveCheck_->start();
        return;
    }
    liveCheck_->stop();
    // A closed or lost port has said so already.
    if (session_.connected())
        showStatus(tr("无数据"));
}

void MainWindow::parametersReported(const ParameterReport& report)
{
    calibrationPage_->showParameters(report);
}

void MainWindow::placeChanged(GravityPlace place, const std::string& name, int32_t gravity)
{
    const QString text = PlaceText(name, gravity);
    if (place == GravityPlace::Use)
        placePage_->showPlace(text);
    else
        calibrationPage_->showPlace(text);
}

void MainWindow::driftChanged(const DriftMonitor& monitor) { weighingPage_->showDrift(monitor); }

void MainWindow::tareChanged(double tare) { weighingPage_->showTare(tare); }

void MainWindow::baseValueChanged(double baseValue) { calibrationPage_->showBaseValue(baseValue); }

void MainWindow::portProbed(const std::string& port, bool answers)
{
    weighingPage_->showProbeAnswer(QString::fromStdString(port), answers);
    if (answers && choosingPortAt_) {
        // Opening ends the probe.
        const int baudRate = *std::exchange(choosingPortAt_, std::nullopt);
        weighingPage_->openPort(QString::fromStdString(port), baudRate);
    }
}

void MainWindow::probeFinished(int)
{
    weighingPage_->showProbeFinished();
    if (std::exchange(choosingPortAt_, std::nullopt))
        showStatus(tr("未选择串口"));
}

// --- Window message 1224 ------------------------------------------------

void MainWindow::showFirstEditAsPassword()
{
    QWidget* form = QApplication::activeWindow();
    if (!form)
        form = this;
    auto* edit = form->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    if (edit)
        edit->setEchoMode(QLineEdit::Password);
}

#ifdef Q_OS_WIN
bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    const auto* msg = static_cast<const MSG*>(message);
    if (eventType == "windows_generic_MSG" && msg->message == WM_USER + 200) {
        showFirstEditAsPassword();
        *result = 0;
        return true;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
#endif
