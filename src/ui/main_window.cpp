#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include <string_view>

#include "app/general_error.h"
#include "app/message_boxes.h"
#include "serial/comm.h"
#include "ui/key_filter.h"
#include "ui/keypad.h"
#include "ui/page_tab_bar.h"
#include "ui/widget_factory.h"

namespace {
constexpr int kClientWidth = 1314;
constexpr int kClientHeight = 820;
}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("电子称配置工具V2.2"));
  // Single border: system menu, minimise and close, no maximise button.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(PixelFont(QStringLiteral("Tahoma"), 11));
  setBackgroundRole(QPalette::Button);
  resize(kClientWidth, kClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  // Events of the port's threads reach this window through its event queue,
  // in the order posted.
  cmPDA = std::make_unique<TComm>([this](std::function<void()> event) {
    QMetaObject::invokeMethod(this, std::move(event), Qt::QueuedConnection);
  });
  cmPDA->SetCommName("COM2");
  cmPDA->SetBaudRate(9600);
  cmPDA->SetOutx_XonXoffFlow(false);
  cmPDA->SetReadIntervalTimeout(10);
  cmPDA->OnReceiveData = [this](TComm* sender, const void* buffer, uint16_t length) {
    RunAction([&] { cmPDAReceiveData(sender, buffer, length); });
  };

  BuildFrame();
  BuildWeighingPage();
  BuildUseSettingsPage();
  BuildCalibrationPage();
  ConnectHandlers();
  InstallKeyFilters();
  FormCreate(this);
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BuildFrame() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  setCentralWidget(central);

  pnlTop = new QFrame(central);
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  pnlTop->setFrameShape(QFrame::NoFrame);
  pnlTop->setFixedHeight(73);
  auto* band = new QVBoxLayout(pnlTop);
  band->setContentsMargins(0, 0, 0, 0);
  rzpnlTop = new QLabel(QStringLiteral("电子称配置工具 "), pnlTop);
  rzpnlTop->setObjectName(QStringLiteral("rzpnlTop"));
  rzpnlTop->setAlignment(Qt::AlignCenter);
  rzpnlTop->setFont(PixelFont(QStringLiteral("楷体"), 48, true));
  rzpnlTop->setStyleSheet(QStringLiteral(
      "QLabel#rzpnlTop { color: white; background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
      "stop:0 #fff8dc, stop:1 #008080); }"));
  band->addWidget(rzpnlTop);
  column->addWidget(pnlTop);

  RzPageControl1 = new TPageControl(central);
  RzPageControl1->setObjectName(QStringLiteral("RzPageControl1"));
  column->addWidget(RzPageControl1, 1);

  const QFont pageFont = PixelFont(QStringLiteral("宋体"), 13, true);
  auto addPage = [&](const char* name, const QString& caption, QStyle::StandardPixmap picture) {
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    page->setFont(pageFont);
    RzPageControl1->addTab(page, style()->standardIcon(picture), caption);
    return page;
  };
  TabSheet5 = addPage("TabSheet5", QStringLiteral("称量"), QStyle::SP_ComputerIcon);
  TabSheet3 = addPage("TabSheet3", QStringLiteral("使用设置"), QStyle::SP_DirHomeIcon);
  TabSheet12 = addPage("TabSheet12", QStringLiteral("标定"), QStyle::SP_FileDialogDetailedView);
  TabSheet2 = addPage("TabSheet2", QStringLiteral("打印机"), QStyle::SP_DriveFDIcon);
  RzPageControl1->setTabVisible(RzPageControl1->indexOf(TabSheet2), false);
  RzPageControl1->setCurrentWidget(TabSheet12);

  statTip = new QStatusBar(this);
  statTip->setObjectName(QStringLiteral("statTip"));
  statTip->setFixedHeight(18);
  statTip->setSizeGripEnabled(false);
  statusCaption_ = new QLabel(QStringLiteral("状态"), statTip);
  statusCaption_->setFixedWidth(80);
  statusText_ = new QLabel(statTip);
  statusText_->setMinimumWidth(200);
  statTip->addWidget(statusCaption_);
  statTip->addWidget(statusText_, 1);
  setStatusBar(statTip);
}

void TfrmMain::ShowStatus(const QString& text) {
  statusText_->setText(text);
  // Drawn now: callers often go on working without handling events.
  statTip->repaint();
}

QString TfrmMain::StatusText() const { return statusText_->text(); }

void TfrmMain::SetConnState(int32_t state) {
  const bool connected = state == 1;
  btnOpen->setEnabled(!connected);
  for (QWidget* control : {static_cast<QWidget*>(btnClose), static_cast<QWidget*>(btnZeroSet),
                           static_cast<QWidget*>(btnAnySet), static_cast<QWidget*>(edtdeviation),
                           static_cast<QWidget*>(edtAny), static_cast<QWidget*>(btnPrinte)})
    control->setEnabled(connected);
}

void TfrmMain::KeyBordBtnClick(QObject* Sender) {
  if (!Sender) return;
  TypeVirtualKey(Sender->property("Tag").toInt());
}

namespace {
// A typed character passes a filter only when it is listed.
void Keep(char16_t& key, std::u16string_view allowed) {
  if (allowed.find(key) == std::u16string_view::npos) key = 0;
}
}  // namespace

void TfrmMain::edtAnyKeyPress(QObject*, char16_t& Key) { Keep(Key, u"\b\r0123456789"); }
void TfrmMain::edtdeviationKeyPress(QObject*, char16_t& Key) { Keep(Key, u"\b\r.0123456789"); }
void TfrmMain::edtRealAccKeyPress(QObject*, char16_t& Key) { Keep(Key, u"\b\r.0123456789"); }

void TfrmMain::FormCreate(QObject*) {}

void TfrmMain::FormCloseQuery(QObject*, bool& CanClose) {
  CanClose = Boxes().Confirm(QStringLiteral("您确定要退出系统吗？"), MessageBoxes::Kind::ConfirmOkCancel);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  bool canClose = true;
  FormCloseQuery(this, canClose);
  if (!canClose) {
    event->ignore();
    return;
  }
  event->accept();
  FormClose(this);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == TabSheet5 && event->type() == QEvent::Resize) {
    grp1->resize(TabSheet5->width(), grp1->height());
  } else if (watched == lblValue && event->type() == QEvent::MouseButtonRelease &&
             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    RunAction([this] { lblValueClick(); });
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::ConnectHandlers() {
  // Every handler runs through RunAction: an exception ends the action and
  // goes to the general error display, never through Qt's event loop.
  const std::pair<QPushButton*, void (TfrmMain::*)()> clicks[] = {
      {btnOpen, &TfrmMain::btnOpenClick},         {btnClose, &TfrmMain::btnCloseClick},
      {btnClear, &TfrmMain::btnClearClick},       {btnPrint, &TfrmMain::btnPrintClick},
      {btnRemove, &TfrmMain::btnRemoveClick},     {btnGetBase, &TfrmMain::btnGetBaseClick},
      {btnClearBase, &TfrmMain::btnClearBaseClick}, {btnStart, &TfrmMain::btnStartClick},
      {btnPrinte, &TfrmMain::btnPrinteClick},     {btnCalc, &TfrmMain::btnCalcClick},
      {btn15, &TfrmMain::btn15Click},             {btnSelCity, &TfrmMain::btnSelCityClick},
      {btnSet, &TfrmMain::btnSetClick},           {btnZeroSet, &TfrmMain::btnZeroSetClick},
      {btnAnySet, &TfrmMain::btnAnySetClick},     {btnSetPD, &TfrmMain::btnSetPDClick},
      {btnMaxRange, &TfrmMain::btnMaxRangeClick}, {btn10, &TfrmMain::btn10Click},
      {btn11, &TfrmMain::btn11Click},             {btn12, &TfrmMain::btn12Click},
      {btnReadVer, &TfrmMain::btnReadVerClick},   {btnOpenBeep, &TfrmMain::btnOpenBeepClick},
      {btnCloseBeep, &TfrmMain::btnCloseBeepClick}, {btnQueryBeep, &TfrmMain::btnQueryBeepClick},
      {btnSetLog, &TfrmMain::btnSetLogClick},
  };
  for (const auto& [button, handler] : clicks)
    connect(button, &QPushButton::clicked, this, [this, handler = handler] { RunAction([&] { (this->*handler)(); }); });
}

void TfrmMain::InstallKeyFilters() {
  auto filter = [this](void (TfrmMain::*handler)(QObject*, char16_t&)) {
    return [this, handler](QObject* sender, char16_t& key) { (this->*handler)(sender, key); };
  };
  for (QLineEdit* edit : {edtAny, edtUseCity, edtCity, edtHeight, edt1, edt2, edt3})
    InstallKeyFilter(edit, filter(&TfrmMain::edtAnyKeyPress));
  InstallKeyFilter(edtdeviation, filter(&TfrmMain::edtdeviationKeyPress));
  InstallKeyFilter(edtRealAcc, filter(&TfrmMain::edtRealAccKeyPress));
  for (QLineEdit* edit : {edtHeight, edt1, edt2, edt3}) MakeDigitsOnly(edit);
}
