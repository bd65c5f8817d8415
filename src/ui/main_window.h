#pragma once
// TfrmMain: the tool's only main window and the home of every operator
// action. Controls carry their names as objectName, so tests find them.

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>

#include "protocol/commands.h"
#include "protocol/frame_assembler.h"
#include "protocol/set_log.h"
#include "protocol/weight.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QWidget;
class TComm;
class TLedDisplay;
class TfrmInputNumber;
class TfrmSelectCity;

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  // Showing and closing the window: the port of the settings file is opened
  // at start-up and closed at the end.
  void FormShow(QObject* Sender);
  void FormClose(QObject* Sender);
  void btnOpenClick();
  void btnCloseClick();

  // Receive path: every block the port delivers; each complete frame goes
  // to the dispatcher, which shows what the controller answered.
  void cmPDAReceiveData(TComm* Sender, const void* Buffer, uint16_t BufferLength);
  bool CheckRecDataOK();
  void ShowWeightData();
  void UpdateADMonitor();

  // Sending: every command frame is built in SendBuf and handed to cmPDA.
  void SendScaleCmd(uint8_t code, const CommandData& data);
  void SendSimpleCmd(uint8_t code);
  void SendZeroCmd(bool zero);
  void SendUnlockCmd();
  void SendReadParamCmd();
  void SendReadLogCmd(uint8_t index);
  void SendClockCmd();
  void SendAccCmd(int32_t value);

  // Status bar, second panel; drawn before it returns.
  void ShowStatus(const QString& text);
  QString StatusText() const;
  // 1 connected; any other value (0, or a failure code of StartComm) not connected.
  void SetConnState(int32_t state);

  // Click handler of the 24 keypad keys: types the key's Tag into the focused field.
  void KeyBordBtnClick(QObject* Sender);
  // Character filters of the numeric fields; set Key to 0 to discard it.
  void edtAnyKeyPress(QObject* Sender, char16_t& Key);
  void edtdeviationKeyPress(QObject* Sender, char16_t& Key);
  void edtRealAccKeyPress(QObject* Sender, char16_t& Key);
  // The close question; CanClose false keeps the program running.
  void FormCloseQuery(QObject* Sender, bool& CanClose);
  void FormCreate(QObject* Sender);

  // Operations of the weighing, location and calibration pages.
  void btnClearClick();
  void btnPrintClick();
  void btnRemoveClick();
  void btnGetBaseClick();
  void btnClearBaseClick();
  void btnStartClick();
  void btnPrinteClick();
  void btnCalcClick();
  void btn15Click();
  void btnSelCityClick();
  void btnSetClick();
  void btnZeroSetClick();
  void btnAnySetClick();
  void btnSetPDClick();
  void btnMaxRangeClick();
  void btn10Click();
  void btn11Click();
  void btn12Click();
  void btnReadVerClick();
  void btnOpenBeepClick();
  void btnCloseBeepClick();
  void btnQueryBeepClick();
  void btnSetLogClick();
  void lblValueClick();
  // Handler of window message 1224: switches an edit box to password display.
  void InputboxPassword();

  // Place of use (iFlag not 0) or calibration place (iFlag 0) from a row of
  // the gravity table; an index outside the table changes nothing.
  void SetCityName(int32_t iIndex, int32_t iFlag);
  // Input checks of the calibration page: false after showing what is missing.
  bool CheckAnyInput();
  bool CheckFDInput();
  bool CheckRangeInput();

  // Frame of the window.
  QFrame* pnlTop = nullptr;
  QLabel* rzpnlTop = nullptr;
  QTabWidget* RzPageControl1 = nullptr;
  QStatusBar* statTip = nullptr;
  QWidget* TabSheet5 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QWidget* TabSheet12 = nullptr;
  QWidget* TabSheet2 = nullptr;

  // Page "称量".
  QGroupBox* grp1 = nullptr;
  TLedDisplay* DispValue = nullptr;
  QLabel* pnlunit = nullptr;
  QLabel* lblAnyWeight = nullptr;
  QLabel* lblAnyValue = nullptr;
  QLabel* lblFD = nullptr;
  QLabel* lblFDvalue = nullptr;
  QLabel* lbl5 = nullptr;
  QLabel* lbltare = nullptr;
  QLabel* lbl4 = nullptr;
  QLabel* lbl1 = nullptr;
  QComboBox* cbbComm = nullptr;
  QLabel* lbl2 = nullptr;
  QComboBox* cbbRate = nullptr;
  QPushButton* btnOpen = nullptr;
  QPushButton* btnClose = nullptr;
  QPushButton* btnClear = nullptr;
  QPushButton* btnRemove = nullptr;
  QPushButton* btnPrinte = nullptr;
  QPushButton* btnStart = nullptr;
  QGroupBox* grp3 = nullptr;
  QLabel* lblBaseAD = nullptr;
  QLineEdit* edtBaseAD = nullptr;
  QLabel* lblNowAD = nullptr;
  QLineEdit* edtNowAD = nullptr;
  QLabel* lblDiffAD = nullptr;
  QLineEdit* edtDiffAD = nullptr;
  QLabel* lblDiffValue = nullptr;
  QLineEdit* edtDiffValue = nullptr;
  QLabel* lblStartDt = nullptr;
  QLineEdit* edtStartDt = nullptr;
  QLabel* lbl15 = nullptr;
  QLineEdit* edtRunCount = nullptr;
  QLabel* lblErrorDt = nullptr;
  QLineEdit* edtErrorDt = nullptr;
  QLabel* lbl10 = nullptr;
  QLineEdit* edtErrorCount = nullptr;

  // Page "使用设置".
  QGroupBox* grp2 = nullptr;
  QGroupBox* grpSelect = nullptr;
  QLabel* lbl8 = nullptr;
  QLineEdit* edtUseCity = nullptr;
  QPushButton* btn15 = nullptr;
  QGroupBox* grpUserSet = nullptr;
  QLabel* lblHeight = nullptr;
  QLineEdit* edtHeight = nullptr;
  QLabel* lbl7 = nullptr;
  QLabel* lbl9 = nullptr;
  QLineEdit* edt1 = nullptr;
  QLabel* lbl13 = nullptr;
  QLineEdit* edt2 = nullptr;
  QLabel* lbl12 = nullptr;
  QLineEdit* edt3 = nullptr;
  QLabel* lbl11 = nullptr;
  QLabel* lbl14 = nullptr;
  QLineEdit* edtRealAcc = nullptr;
  QPushButton* btnCalc = nullptr;
  QPushButton* btnSet = nullptr;
  QFrame* rzpnl1 = nullptr;

  // Page "标定".
  QGroupBox* grppdInf = nullptr;
  QLabel* lblCity = nullptr;
  QLineEdit* edtCity = nullptr;
  QPushButton* btnSelCity = nullptr;
  QLabel* lblAny = nullptr;
  QLineEdit* edtAny = nullptr;
  QPushButton* btnZeroSet = nullptr;
  QPushButton* btnAnySet = nullptr;
  QGroupBox* grpOtherSet = nullptr;
  QLabel* lbl3 = nullptr;
  QComboBox* cbbFD = nullptr;
  QPushButton* btnSetPD = nullptr;
  QLabel* lbl6 = nullptr;
  QComboBox* cbbMaxRange = nullptr;
  QPushButton* btnMaxRange = nullptr;
  QLabel* lblFDTip = nullptr;
  QPushButton* btn12 = nullptr;
  QPushButton* btn10 = nullptr;
  QPushButton* btn11 = nullptr;
  QPushButton* btnReadVer = nullptr;
  QPushButton* btnPrint = nullptr;
  QPushButton* btnSetLog = nullptr;
  QPushButton* btnQueryBeep = nullptr;
  QPushButton* btnOpenBeep = nullptr;
  QPushButton* btnCloseBeep = nullptr;
  QFrame* rzpnlLogininf = nullptr;
  QGroupBox* grpDisplay = nullptr;
  QLabel* lblValue = nullptr;
  QLabel* lblRealValue = nullptr;
  QLabel* lblBaseValue = nullptr;
  QLabel* lblTip = nullptr;
  QPushButton* btnGetBase = nullptr;
  QPushButton* btnClearBase = nullptr;
  QLineEdit* edtdeviation = nullptr;

  // The serial port to the scale controller.
  std::unique_ptr<TComm> cmPDA;

  // Link state: the frame being assembled (link.RecvBuf), the command being
  // sent, and the receive guard, false while a block is being handled
  // (including while a dispatcher box is open: blocks are then dropped).
  TFrameAssembler link;
  uint8_t SendBuf[kLinkBufferSize] = {};
  bool bCanRecv = true;

  // Reply flags: the dispatcher only sets them; waiting operations clear them.
  bool bSetOK = false;
  bool bReadVer = false;
  bool bReadLog = false;

  // Weighing state.
  double dTare = 0.0;
  double dBaseValue = 0.0;
  int32_t iMaxRange = 0;
  bool bSampling = false;
  TWeighingState WeighingState() const { return {dTare, dBaseValue, iMaxRange, bSampling}; }

  // The controller's calibration-log records, in arrival order.
  TSetLogList SetLogList;

  // Used by the calibration unlock gesture.
  int32_t START_COUNT = 0;
  int32_t PRESS_COUNT = 0;

  // The city-selection dialog: created on first use and kept, hidden between uses.
  TfrmSelectCity* frmSelectCity = nullptr;
  // The number dialog: exists only while in use; cleared when it is destroyed.
  QPointer<TfrmInputNumber> frmInputNumber;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
  // Window message 1224 (WM_USER + 200) calls InputboxPassword.
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

 private:
  void BuildFrame();
  void BuildWeighingPage();
  void BuildUseSettingsPage();
  void BuildCalibrationPage();
  void ConnectHandlers();
  void InstallKeyFilters();
  void ApplyParameterReport();
  // Shows the city-selection dialog and sends the chosen row's gravity;
  // the chosen index, or -1 when none was chosen.
  int32_t ChooseCityAndSend();

  QLabel* statusCaption_ = nullptr;
  QLabel* statusText_ = nullptr;
};
