// The three pages of the main window, control by control.

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/keypad.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "ui/widget_factory.h"

namespace {

const QString kSong = QStringLiteral("宋体");
const QString kTahoma = QStringLiteral("Tahoma");

// Sets a control's font; a label is resized to its caption in that font.
template <typename Control>
Control* WithFont(Control* control, const QFont& font) {
  control->setFont(font);
  if constexpr (std::is_same_v<Control, QLabel>) control->adjustSize();
  return control;
}

QStringList PortItems() {
  QStringList items;
  for (int i = 1; i <= 20; ++i) items << QStringLiteral("Com%1").arg(i);
  return items;
}

}  // namespace

void TfrmMain::BuildWeighingPage() {
  QWidget* page = TabSheet5;

  grp1 = MakeGroup(page, "grp1", QStringLiteral("显示"), QRect(0, 0, page->width(), 121));
  auto* display = new QHBoxLayout(grp1);
  DispValue = new TLedDisplay(grp1);
  DispValue->setObjectName(QStringLiteral("DispValue"));
  DispValue->SetCaption(QStringLiteral("0.000"));
  display->addWidget(DispValue, 1);
  pnlunit = new QLabel(QStringLiteral("kg"), grp1);
  pnlunit->setObjectName(QStringLiteral("pnlunit"));
  pnlunit->setFixedWidth(75);
  pnlunit->setAlignment(Qt::AlignCenter);
  pnlunit->setFont(PixelFont(kSong, 56, true));
  display->addWidget(pnlunit);
  // grp1 runs across the whole page whatever the page's width.
  page->installEventFilter(this);

  lblAnyWeight = MakeLabel(page, "lblAnyWeight", QStringLiteral("任意点值:"), 19, 142);
  lblAnyValue = MakeLabel(page, "lblAnyValue", QStringLiteral("-"), 91, 142);
  lblFD = MakeLabel(page, "lblFD", QStringLiteral("分度数:"), 176, 143);
  lblFD->hide();
  lblFDvalue = MakeLabel(page, "lblFDvalue", QStringLiteral("-"), 232, 143);
  lblFDvalue->hide();
  lbl5 = MakeLabel(page, "lbl5", QStringLiteral("皮重:"), 336, 142);
  lbltare = MakeLabel(page, "lbltare", QStringLiteral("-"), 384, 142);
  lbl4 = MakeLabel(page, "lbl4", QStringLiteral("-"), 600, 142);

  lbl1 = WithFont(MakeLabel(page, "lbl1", QStringLiteral("串口号:"), 19, 194), PixelFont(kTahoma, 19));
  cbbComm = WithFont(MakeDropDown(page, "cbbComm", PortItems(), QRect(91, 191, 99, 33)), PixelFont(kTahoma, 21));
  cbbComm->setEditText(QStringLiteral("Com1"));
  lbl2 = WithFont(MakeLabel(page, "lbl2", QStringLiteral("波特率:"), 19, 236), PixelFont(kTahoma, 19));
  cbbRate = WithFont(MakeDropDown(page, "cbbRate",
                                  {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                                   QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                                   QStringLiteral("57600"), QStringLiteral("115200")},
                                  QRect(91, 230, 99, 33)),
                     PixelFont(kTahoma, 21));
  cbbRate->setEditText(QStringLiteral("9600"));

  btnOpen = MakeButton(page, "btnOpen", QStringLiteral("打开"), QRect(196, 191, 98, 72));
  btnClose = MakeButton(page, "btnClose", QStringLiteral("关闭"), QRect(299, 191, 98, 72));
  btnClear = MakeButton(page, "btnClear", QStringLiteral("清零"), QRect(436, 191, 138, 72));
  btnRemove = MakeButton(page, "btnRemove", QStringLiteral("去皮"), QRect(607, 191, 171, 72));
  btnPrinte = MakeButton(page, "btnPrinte", QStringLiteral("打印"), QRect(813, 191, 145, 72));
  btnStart = MakeButton(page, "btnStart", QStringLiteral("开始采样"), QRect(1002, 191, 151, 72));

  grp3 = MakeGroup(page, "grp3", QStringLiteral("AD检测区"), QRect(19, 269, 814, 324));
  grp3->hide();
  const QFont monitorFont = PixelFont(kSong, 27, true);
  auto monitorRow = [&](QLabel*& label, const char* labelName, const QString& caption, QPoint labelAt,
                        QLineEdit*& edit, const char* editName, const QRect& editPlace, const QString& text) {
    label = WithFont(MakeLabel(grp3, labelName, caption, labelAt.x(), labelAt.y()), monitorFont);
    edit = WithFont(MakeEdit(grp3, editName, text, editPlace), monitorFont);
    edit->setReadOnly(true);
  };
  const QString zero = QStringLiteral("0");
  monitorRow(lblBaseAD, "lblBaseAD", QStringLiteral("开始AD值："), {26, 43}, edtBaseAD, "edtBaseAD",
             QRect(158, 40, 218, 35), zero);
  monitorRow(lblNowAD, "lblNowAD", QStringLiteral("实时AD值："), {426, 43}, edtNowAD, "edtNowAD",
             QRect(558, 40, 218, 35), zero);
  monitorRow(lblDiffAD, "lblDiffAD", QStringLiteral("差异AD值："), {28, 108}, edtDiffAD, "edtDiffAD",
             QRect(160, 105, 218, 35), zero);
  monitorRow(lblDiffValue, "lblDiffValue", QStringLiteral("预估差值："), {426, 113}, edtDiffValue, "edtDiffValue",
             QRect(558, 110, 218, 35), zero);
  monitorRow(lblStartDt, "lblStartDt", QStringLiteral("开始时间："), {26, 184}, edtStartDt, "edtStartDt",
             QRect(158, 181, 397, 35), {});
  monitorRow(lbl15, "lbl15", QStringLiteral("运行时长："), {561, 187}, edtRunCount, "edtRunCount",
             QRect(683, 181, 113, 35), {});
  monitorRow(lblErrorDt, "lblErrorDt", QStringLiteral("预警时间："), {28, 249}, edtErrorDt, "edtErrorDt",
             QRect(158, 246, 397, 35), {});
  monitorRow(lbl10, "lbl10", QStringLiteral("预警时长："), {558, 249}, edtErrorCount, "edtErrorCount",
             QRect(683, 246, 113, 35), {});
  // Marker between sampling start and the drift monitor: 1 = take the next AD value as base.
  edtBaseAD->setProperty("Tag", 0);
}

void TfrmMain::BuildUseSettingsPage() {
  QWidget* page = TabSheet3;
  const QFont tahoma = PixelFont(kTahoma, 19);
  const QFont song = PixelFont(kSong, 19);
  const QFont buttonFont = PixelFont(kSong, 13);

  grp2 = MakeGroup(page, "grp2", QStringLiteral("使用地设置"), QRect(11, 6, 454, 467));
  grpSelect = MakeGroup(grp2, "grpSelect", QStringLiteral("1、直接选择"), QRect(19, 25, 393, 100));
  lbl8 = WithFont(MakeLabel(grpSelect, "lbl8", QStringLiteral("使用地:"), 48, 27), tahoma);
  edtUseCity = WithFont(MakeEdit(grpSelect, "edtUseCity", QStringLiteral("韶关"), QRect(122, 24, 192, 31)), tahoma);
  edtUseCity->setEnabled(false);
  btn15 = WithFont(MakeButton(grpSelect, "btn15", QStringLiteral("选择"), QRect(316, 21, 73, 36)), buttonFont);

  grpUserSet = MakeGroup(grp2, "grpUserSet", QStringLiteral("2、自定义"), QRect(17, 131, 397, 332));
  lblHeight = WithFont(MakeLabel(grpUserSet, "lblHeight", QStringLiteral("海拔:"), 69, 23), tahoma);
  edtHeight = WithFont(MakeEdit(grpUserSet, "edtHeight", QStringLiteral("0"), QRect(121, 20, 157, 31)), tahoma);
  lbl7 = WithFont(MakeLabel(grpUserSet, "lbl7", QStringLiteral("米"), 284, 23), tahoma);
  lbl9 = WithFont(MakeLabel(grpUserSet, "lbl9", QStringLiteral("纬度："), 70, 66), song);
  edt1 = WithFont(MakeEdit(grpUserSet, "edt1", QStringLiteral("0"), QRect(121, 63, 157, 31)), tahoma);
  lbl13 = WithFont(MakeLabel(grpUserSet, "lbl13", QStringLiteral("度"), 284, 68), song);
  edt2 = WithFont(MakeEdit(grpUserSet, "edt2", QStringLiteral("0"), QRect(121, 102, 157, 31)), tahoma);
  lbl12 = WithFont(MakeLabel(grpUserSet, "lbl12", QStringLiteral("分"), 284, 109), song);
  edt3 = WithFont(MakeEdit(grpUserSet, "edt3", QStringLiteral("0"), QRect(121, 144, 157, 31)), tahoma);
  lbl11 = WithFont(MakeLabel(grpUserSet, "lbl11", QStringLiteral("秒"), 284, 152), song);
  lbl14 = WithFont(MakeLabel(grpUserSet, "lbl14", QStringLiteral("重力加速度："), 9, 190), song);
  edtRealAcc = WithFont(MakeEdit(grpUserSet, "edtRealAcc", QStringLiteral("0"), QRect(120, 186, 158, 31)), tahoma);
  btnCalc = WithFont(MakeButton(grpUserSet, "btnCalc", QStringLiteral("计算"), QRect(79, 252, 92, 47)), buttonFont);
  btnSet = WithFont(MakeButton(grpUserSet, "btnSet", QStringLiteral("设置"), QRect(230, 252, 95, 46)), buttonFont);

  rzpnl1 = BuildKeypad(page,
                       {"rzpnl1", {"btn13", "btn14", "btn16", "btn17", "btn18", "btn19", "btn22", "btn23", "btn24",
                                   "btn21", "btn25", "btn20"}},
                       QRect(471, 12, 316, 377), [this](QObject* key) { KeyBordBtnClick(key); });
}

void TfrmMain::BuildCalibrationPage() {
  QWidget* page = TabSheet12;
  const QFont tahoma = PixelFont(kTahoma, 19);
  const QFont dropDownFont = PixelFont(kSong, 20, true);

  grppdInf = MakeGroup(page, "grppdInf", QStringLiteral("标定设置"), QRect(11, 6, 454, 203));
  lblCity = WithFont(MakeLabel(grppdInf, "lblCity", QStringLiteral("标定地:"), 50, 22), tahoma);
  edtCity = WithFont(MakeEdit(grppdInf, "edtCity", QStringLiteral("韶关[9.7894]"), QRect(119, 22, 253, 31)), tahoma);
  edtCity->setEnabled(false);
  btnSelCity = MakeButton(grppdInf, "btnSelCity", QStringLiteral("选择"), QRect(378, 17, 73, 42));
  btnSelCity->hide();
  lblAny = WithFont(MakeLabel(grppdInf, "lblAny", QStringLiteral("任意点重量:"), 12, 77), tahoma);
  edtAny = WithFont(MakeEdit(grppdInf, "edtAny", QStringLiteral("10"), QRect(119, 74, 157, 31)), tahoma);
  btnZeroSet = MakeButton(grppdInf, "btnZeroSet", QStringLiteral("零点标定"), QRect(12, 113, 205, 82));
  btnAnySet = MakeButton(grppdInf, "btnAnySet", QStringLiteral("任一点标定"), QRect(240, 113, 202, 82));

  grpOtherSet = MakeGroup(page, "grpOtherSet", QStringLiteral("其它设置"), QRect(11, 209, 454, 412));
  lbl3 = WithFont(MakeLabel(grpOtherSet, "lbl3", QStringLiteral("分度值:"), 11, 28), tahoma);
  cbbFD = WithFont(MakeDropDown(grpOtherSet, "cbbFD", {QStringLiteral("默认"), QStringLiteral("5g")},
                                QRect(89, 28, 100, 28)),
                   dropDownFont);
  cbbFD->setCurrentIndex(0);
  btnSetPD = MakeButton(grpOtherSet, "btnSetPD", QStringLiteral("设置分度值"), QRect(210, 16, 134, 48));
  lbl6 = WithFont(MakeLabel(grpOtherSet, "lbl6", QStringLiteral("量程:"), 30, 86), tahoma);
  cbbMaxRange = WithFont(MakeDropDown(grpOtherSet, "cbbMaxRange",
                                      {QStringLiteral("3"), QStringLiteral("15"), QStringLiteral("30"),
                                       QStringLiteral("750")},
                                      QRect(89, 86, 100, 28)),
                         dropDownFont);
  cbbMaxRange->setEditText(QStringLiteral("15"));
  btnMaxRange = MakeButton(grpOtherSet, "btnMaxRange", QStringLiteral("设置量程"), QRect(210, 76, 135, 48));
  lblFDTip = WithFont(MakeLabel(grpOtherSet, "lblFDTip",
                                QStringLiteral("提示：默认分度值：重量值<6kg时，分度值为2g；\n重量值>=6kg时，分度值为5g；"),
                                9, 132),
                      PixelFont(kSong, 13, true));
  lblFDTip->setStyleSheet(QStringLiteral("color: red;"));
  btn12 = MakeButton(grpOtherSet, "btn12", QStringLiteral("查询零点跟踪状态"), QRect(7, 170, 126, 62));
  btn10 = MakeButton(grpOtherSet, "btn10", QStringLiteral("开启零点跟踪"), QRect(155, 170, 139, 62));
  btn11 = MakeButton(grpOtherSet, "btn11", QStringLiteral("关闭零点跟踪"), QRect(314, 170, 136, 61));
  btnReadVer = MakeButton(grpOtherSet, "btnReadVer", QStringLiteral("读版本"), QRect(7, 244, 126, 62));
  btnPrint = MakeButton(grpOtherSet, "btnPrint", QStringLiteral("平移清零"), QRect(155, 244, 139, 62));
  btnSetLog = MakeButton(grpOtherSet, "btnSetLog", QStringLiteral("查询标定记录"), QRect(314, 244, 136, 61));
  btnQueryBeep = MakeButton(grpOtherSet, "btnQueryBeep", QStringLiteral("查询峰鸣器状态"), QRect(7, 320, 126, 62));
  btnOpenBeep = MakeButton(grpOtherSet, "btnOpenBeep", QStringLiteral("开启峰鸣器"), QRect(155, 320, 139, 62));
  btnCloseBeep = MakeButton(grpOtherSet, "btnCloseBeep", QStringLiteral("关闭峰鸣器"), QRect(314, 320, 136, 61));

  rzpnlLogininf = BuildKeypad(page,
                              {"rzpnlLogininf", {"btn7", "btn8", "btn9", "btn4", "btn5", "btn6", "btn1", "btn2",
                                                 "btn3", "btn0", "btnSpeck", "btnDel"}},
                              QRect(471, 12, 320, 377), [this](QObject* key) { KeyBordBtnClick(key); });

  grpDisplay = MakeGroup(page, "grpDisplay", QStringLiteral("示值"), QRect(471, 392, 320, 229));
  lblValue = WithFont(MakeLabel(grpDisplay, "lblValue", QStringLiteral("10.000"), 18, 28), PixelFont(kSong, 96, true));
  lblValue->setGeometry(18, 28, 294, 97);
  lblValue->setStyleSheet(QStringLiteral("color: red;"));
  lblValue->installEventFilter(this);
  lblRealValue =
      WithFont(MakeLabel(grpDisplay, "lblRealValue", QStringLiteral("实际值："), 33, 153), PixelFont(kSong, 27, true));

  lblBaseValue =
      WithFont(MakeLabel(page, "lblBaseValue", QStringLiteral("基数值："), 1028, 381), PixelFont(kSong, 27, true));
  lblBaseValue->hide();
  lblTip = MakeLabel(page, "lblTip", QStringLiteral("提示：\n1、任意点标定推荐使用满量程重量标定"), 836, 530);
  lblTip->hide();
  btnGetBase = MakeButton(page, "btnGetBase", QStringLiteral("取基值"), QRect(836, 279, 165, 90));
  btnGetBase->hide();
  btnClearBase = MakeButton(page, "btnClearBase", QStringLiteral("清基值"), QRect(836, 416, 165, 90));
  btnClearBase->hide();
  edtdeviation = WithFont(MakeEdit(page, "edtdeviation", QStringLiteral("0.005"), QRect(1100, 538, 98, 31)), tahoma);
  edtdeviation->hide();
}
