// The main window as the operator finds it: controls, pages, enabling,
// keypads, key filters, status bar and the close question.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "app/message_boxes.h"
#include "ui/led_display.h"
#include "ui/main_window.h"

namespace {

// Counts paint events of one widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

QString CaptionOf(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(control)) return button->text();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  if (auto* box = qobject_cast<QComboBox*>(control)) return box->currentText();
  if (auto* led = qobject_cast<TLedDisplay*>(control)) return led->Caption();
  return {};
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window = new TfrmMain;
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
  }
  void cleanup() {
    delete window;
    window = nullptr;
  }

  void controlsStandAsListed_data();
  void controlsStandAsListed();
  void hiddenControlsStayHidden();
  void pagesInOrderWithCalibrationInFront();
  void dropDownsHoldTheirItems();
  void keypadsCarryTheirCodes();
  void windowFrame();
  void connectionStateEnablesTheDependentControls();
  void keypadTypesIntoTheFocusedField();
  void keypadPointIsFilteredByTheField();
  void keypadWithoutFocusedFieldDoesNothing();
  void keyFiltersRefuseOtherCharacters();
  void closeQuestionAnsweredBothWays();
  void showStatusDrawsBeforeItReturns();

 private:
  template <typename T = QWidget>
  T* Control(const char* name) {
    T* control = window->findChild<T*>(QLatin1String(name));
    if (!control) qFatal("no control %s", name);
    return control;
  }
  void TypeOnKeypad(std::initializer_list<const char*> keys) {
    for (const char* key : keys) Control<QPushButton>(key)->click();
    QCoreApplication::sendPostedEvents();
  }

  TfrmMain* window = nullptr;
};

void MainWindowTest::controlsStandAsListed_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QRect>("place");  // null: not checked
  QTest::addColumn<bool>("enabled");

  auto row = [](const char* name, const char* kind, const QString& caption, QRect place = {}, bool enabled = true) {
    QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << caption << place << enabled;
  };
  // Page "称量".
  row("grp1", "QGroupBox", "显示");
  row("DispValue", "TLedDisplay", "0.000");
  row("pnlunit", "QLabel", "kg");
  row("lblAnyWeight", "QLabel", "任意点值:", QRect(19, 142, 0, 0));
  row("lblAnyValue", "QLabel", "-", QRect(91, 142, 0, 0));
  row("lbl5", "QLabel", "皮重:", QRect(336, 142, 0, 0));
  row("lbltare", "QLabel", "-", QRect(384, 142, 0, 0));
  row("lbl4", "QLabel", "-", QRect(600, 142, 0, 0));
  row("lbl1", "QLabel", "串口号:", QRect(19, 194, 0, 0));
  row("cbbComm", "QComboBox", "Com1", QRect(91, 191, 99, 33));
  row("lbl2", "QLabel", "波特率:", QRect(19, 236, 0, 0));
  row("cbbRate", "QComboBox", "9600", QRect(91, 230, 99, 33));
  row("btnOpen", "QPushButton", "打开", QRect(196, 191, 98, 72));
  row("btnClose", "QPushButton", "关闭", QRect(299, 191, 98, 72));
  row("btnClear", "QPushButton", "清零", QRect(436, 191, 138, 72));
  row("btnRemove", "QPushButton", "去皮", QRect(607, 191, 171, 72));
  row("btnPrinte", "QPushButton", "打印", QRect(813, 191, 145, 72));
  row("btnStart", "QPushButton", "开始采样", QRect(1002, 191, 151, 72));
  row("grp3", "QGroupBox", "AD检测区", QRect(19, 269, 814, 324));
  row("edtBaseAD", "QLineEdit", "0", QRect(158, 40, 218, 35));
  row("edtNowAD", "QLineEdit", "0", QRect(558, 40, 218, 35));
  row("edtDiffAD", "QLineEdit", "0", QRect(160, 105, 218, 35));
  row("edtDiffValue", "QLineEdit", "0", QRect(558, 110, 218, 35));
  row("edtStartDt", "QLineEdit", "", QRect(158, 181, 397, 35));
  row("edtRunCount", "QLineEdit", "", QRect(683, 181, 113, 35));
  row("edtErrorDt", "QLineEdit", "", QRect(158, 246, 397, 35));
  row("edtErrorCount", "QLineEdit", "", QRect(683, 246, 113, 35));
  row("lblBaseAD", "QLabel", "开始AD值：", QRect(26, 43, 0, 0));
  row("lblNowAD", "QLabel", "实时AD值：", QRect(426, 43, 0, 0));
  row("lblDiffAD", "QLabel", "差异AD值：", QRect(28, 108, 0, 0));
  row("lblDiffValue", "QLabel", "预估差值：", QRect(426, 113, 0, 0));
  row("lblStartDt", "QLabel", "开始时间：", QRect(26, 184, 0, 0));
  row("lbl15", "QLabel", "运行时长：", QRect(561, 187, 0, 0));
  row("lblErrorDt", "QLabel", "预警时间：", QRect(28, 249, 0, 0));
  row("lbl10", "QLabel", "预警时长：", QRect(558, 249, 0, 0));
  // Page "使用设置".
  row("grp2", "QGroupBox", "使用地设置", QRect(11, 6, 454, 467));
  row("grpSelect", "QGroupBox", "1、直接选择", QRect(19, 25, 393, 100));
  row("lbl8", "QLabel", "使用地:", QRect(48, 27, 0, 0));
  row("edtUseCity", "QLineEdit", "韶关", QRect(122, 24, 192, 31), false);
  row("btn15", "QPushButton", "选择", QRect(316, 21, 73, 36));
  row("grpUserSet", "QGroupBox", "2、自定义", QRect(17, 131, 397, 332));
  row("lblHeight", "QLabel", "海拔:", QRect(69, 23, 0, 0));
  row("edtHeight", "QLineEdit", "0", QRect(121, 20, 157, 31));
  row("lbl7", "QLabel", "米", QRect(284, 23, 0, 0));
  row("lbl9", "QLabel", "纬度：", QRect(70, 66, 0, 0));
  row("edt1", "QLineEdit", "0", QRect(121, 63, 157, 31));
  row("lbl13", "QLabel", "度", QRect(284, 68, 0, 0));
  row("edt2", "QLineEdit", "0", QRect(121, 102, 157, 31));
  row("lbl12", "QLabel", "分", QRect(284, 109, 0, 0));
  row("edt3", "QLineEdit", "0", QRect(121, 144, 157, 31));
  row("lbl11", "QLabel", "秒", QRect(284, 152, 0, 0));
  row("lbl14", "QLabel", "重力加速度：", QRect(9, 190, 0, 0));
  row("edtRealAcc", "QLineEdit", "0", QRect(120, 186, 158, 31));
  row("btnCalc", "QPushButton", "计算", QRect(79, 252, 92, 47));
  row("btnSet", "QPushButton", "设置", QRect(230, 252, 95, 46));
  row("rzpnl1", "QFrame", "", QRect(471, 12, 316, 377));
  // Page "标定".
  row("grppdInf", "QGroupBox", "标定设置", QRect(11, 6, 454, 203));
  row("lblCity", "QLabel", "标定地:", QRect(50, 22, 0, 0));
  row("edtCity", "QLineEdit", "韶关[9.7894]", QRect(119, 22, 253, 31), false);
  row("lblAny", "QLabel", "任意点重量:", QRect(12, 77, 0, 0));
  row("edtAny", "QLineEdit", "10", QRect(119, 74, 157, 31));
  row("btnZeroSet", "QPushButton", "零点标定", QRect(12, 113, 205, 82));
  row("btnAnySet", "QPushButton", "任一点标定", QRect(240, 113, 202, 82));
  row("grpOtherSet", "QGroupBox", "其它设置", QRect(11, 209, 454, 412));
  row("lbl3", "QLabel", "分度值:", QRect(11, 28, 0, 0));
  row("cbbFD", "QComboBox", "默认", QRect(89, 28, 100, 28));
  row("btnSetPD", "QPushButton", "设置分度值", QRect(210, 16, 134, 48));
  row("lbl6", "QLabel", "量程:", QRect(30, 86, 0, 0));
  row("cbbMaxRange", "QComboBox", "15", QRect(89, 86, 100, 28));
  row("btnMaxRange", "QPushButton", "设置量程", QRect(210, 76, 135, 48));
  row("lblFDTip", "QLabel", "提示：默认分度值：重量值<6kg时，分度值为2g；\n重量值>=6kg时，分度值为5g；", QRect(9, 132, 0, 0));
  row("btn12", "QPushButton", "查询零点跟踪状态", QRect(7, 170, 126, 62));
  row("btn10", "QPushButton", "开启零点跟踪", QRect(155, 170, 139, 62));
  row("btn11", "QPushButton", "关闭零点跟踪", QRect(314, 170, 136, 61));
  row("btnReadVer", "QPushButton", "读版本", QRect(7, 244, 126, 62));
  row("btnPrint", "QPushButton", "平移清零", QRect(155, 244, 139, 62));
  row("btnSetLog", "QPushButton", "查询标定记录", QRect(314, 244, 136, 61));
  row("btnQueryBeep", "QPushButton", "查询峰鸣器状态", QRect(7, 320, 126, 62));
  row("btnOpenBeep", "QPushButton", "开启峰鸣器", QRect(155, 320, 139, 62));
  row("btnCloseBeep", "QPushButton", "关闭峰鸣器", QRect(314, 320, 136, 61));
  row("rzpnlLogininf", "QFrame", "", QRect(471, 12, 320, 377));
  row("grpDisplay", "QGroupBox", "示值", QRect(471, 392, 320, 229));
  row("lblValue", "QLabel", "10.000", QRect(18, 28, 294, 97));
  row("lblRealValue", "QLabel", "实际值：", QRect(33, 153, 0, 0));
  row("lblTip", "QLabel", "提示：\n1、任意点标定推荐使用满量程重量标定", QRect(836, 530, 0, 0));
  row("btnSelCity", "QPushButton", "选择", QRect(378, 17, 73, 42));
  row("btnGetBase", "QPushButton", "取基值", QRect(836, 279, 165, 90));
  row("btnClearBase", "QPushButton", "清基值", QRect(836, 416, 165, 90));
  row("edtdeviation", "QLineEdit", "0.005", QRect(1100, 538, 98, 31));
}

void MainWindowTest::controlsStandAsListed() {
  QFETCH(QString, name);
  QFETCH(QString, kind);
  QFETCH(QString, caption);
  QFETCH(QRect, place);
  QFETCH(bool, enabled);

  auto* control = window->findChild<QWidget*>(name);
  QVERIFY2(control, qPrintable(name));
  QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
  QCOMPARE(CaptionOf(control), caption);
  if (!place.isNull()) {
    QCOMPARE(control->pos(), place.topLeft());
    if (place.width() > 0) QCOMPARE(control->size(), place.size());
  }
  // Before the window is shown by the program no connection exists; only
  // the connection-dependent controls change later.
  if (name != "btnClose" && name != "btnZeroSet" && name != "btnAnySet" && name != "edtAny" &&
      name != "btnPrinte" && name != "edtdeviation")
    QCOMPARE(control->isEnabled(), enabled);
}

void MainWindowTest::hiddenControlsStayHidden() {
  for (const char* name : {"lblFD", "lblFDvalue", "lblBaseValue", "lblTip", "btnSelCity", "btnGetBase",
                           "btnClearBase", "edtdeviation", "grp3"})
    QVERIFY2(Control(name)->isHidden(), name);
  // Run-time writes and enabling do not show them.
  window->SetConnState(1);
  for (const char* name : {"btnSelCity", "edtdeviation"}) QVERIFY2(Control(name)->isHidden(), name);
  QCOMPARE(Control<QLabel>("lblBaseValue")->text(), QStringLiteral("基数值："));
}

void MainWindowTest::pagesInOrderWithCalibrationInFront() {
  auto* pages = Control<QTabWidget>("RzPageControl1");
  QCOMPARE(pages->count(), 4);
  const char* names[] = {"TabSheet5", "TabSheet3", "TabSheet12", "TabSheet2"};
  const QString captions[] = {"称量", "使用设置", "标定", "打印机"};
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(pages->widget(i)->objectName(), QLatin1String(names[i]));
    QCOMPARE(pages->tabText(i), captions[i]);
    QCOMPARE(pages->isTabVisible(i), i != 3);
  }
  QCOMPARE(pages->tabPosition(), QTabWidget::West);
  QCOMPARE(pages->currentWidget(), Control("TabSheet12"));
  QVERIFY(Control("TabSheet2")->children().isEmpty());
}

void MainWindowTest::dropDownsHoldTheirItems() {
  auto items = [](QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
    return list;
  };
  auto* ports = Control<QComboBox>("cbbComm");
  QCOMPARE(ports->count(), 20);
  QCOMPARE(ports->itemText(0), QStringLiteral("Com1"));
  QCOMPARE(ports->itemText(19), QStringLiteral("Com20"));
  QCOMPARE(ports->currentIndex(), -1);
  QVERIFY(ports->isEditable());
  auto* rates = Control<QComboBox>("cbbRate");
  QCOMPARE(items(rates), (QStringList{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
  QCOMPARE(rates->currentIndex(), -1);
  QCOMPARE(items(Control<QComboBox>("cbbFD")), (QStringList{"默认", "5g"}));
  QCOMPARE(Control<QComboBox>("cbbFD")->currentIndex(), 0);
  QCOMPARE(items(Control<QComboBox>("cbbMaxRange")), (QStringList{"3", "15", "30", "750"}));
  QCOMPARE(Control<QComboBox>("cbbMaxRange")->currentIndex(), -1);
}

void MainWindowTest::keypadsCarryTheirCodes() {
  const char* useKeys[] = {"btn13", "btn14", "btn16", "btn17", "btn18", "btn19",
                           "btn22", "btn23", "btn24", "btn21", "btn25", "btn20"};
  const char* calibrationKeys[] = {"btn7", "btn8", "btn9", "btn4", "btn5", "btn6",
                                   "btn1", "btn2", "btn3", "btn0", "btnSpeck", "btnDel"};
  const QString captions[] = {"7", "8", "9", "4", "5", "6", "1", "2", "3", "0", ".", "退格"};
  const int codes[] = {55, 56, 57, 52, 53, 54, 49, 50, 51, 48, 110, 8};
  const int columns[] = {12, 108, 205};
  const int rows[] = {6, 97, 187, 278};
  for (int i = 0; i < 12; ++i) {
    for (const auto& [panel, name] : {std::pair{"rzpnl1", useKeys[i]}, std::pair{"rzpnlLogininf", calibrationKeys[i]}}) {
      auto* key = Control<QPushButton>(name);
      QCOMPARE(key->parent()->objectName(), QLatin1String(panel));
      QCOMPARE(key->text(), captions[i]);
      QCOMPARE(key->property("Tag").toInt(), codes[i]);
      QCOMPARE(key->pos(), QPoint(columns[i % 3], rows[i / 3]));
      QCOMPARE(key->focusPolicy(), Qt::NoFocus);
    }
  }
}

void MainWindowTest::windowFrame() {
  QCOMPARE(window->windowTitle(), QStringLiteral("电子称配置工具V2.2"));
  QCOMPARE(Control<QLabel>("rzpnlTop")->text(), QStringLiteral("电子称配置工具 "));
  QCOMPARE(Control("pnlTop")->height(), 73);
  QCOMPARE(Control("statTip")->height(), 18);
  QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
  QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  const QList<QLabel*> panels = Control("statTip")->findChildren<QLabel*>();
  QVERIFY(!panels.isEmpty());
  QCOMPARE(panels.first()->text(), QStringLiteral("状态"));
  QCOMPARE(window->StatusText(), QString());
  // The display runs across the page.
  QCOMPARE(Control("grp1")->width(), Control("TabSheet5")->width());
}

void MainWindowTest::connectionStateEnablesTheDependentControls() {
  const char* dependent[] = {"btnClose", "btnZeroSet", "btnAnySet", "edtdeviation", "edtAny", "btnPrinte"};
  const char* independent[] = {"btnClear", "btnRemove", "btnStart", "btnPrint", "btnSetPD", "btnMaxRange",
                               "btnReadVer", "btnSetLog", "btn15", "btnSet", "btnCalc", "cbbComm", "cbbRate"};
  for (int state : {1, 0, -1, 1, 2}) {
    window->SetConnState(state);
    const bool connected = state == 1;
    QCOMPARE(Control("btnOpen")->isEnabled(), !connected);
    for (const char* name : dependent) QVERIFY2(Control(name)->isEnabled() == connected, name);
    for (const char* name : independent) QVERIFY2(Control(name)->isEnabled(), name);
  }
}

void MainWindowTest::keypadTypesIntoTheFocusedField() {
  window->RzPageControl1->setCurrentWidget(window->TabSheet3);
  auto* field = Control<QLineEdit>("edtRealAcc");
  field->clear();
  field->setFocus();
  QCOMPARE(QApplication::focusWidget(), field);
  TypeOnKeypad({"btn22", "btn25", "btn18"});
  QCOMPARE(field->text(), QStringLiteral("1.5"));
  QCOMPARE(QApplication::focusWidget(), field);  // the keys never take the focus
  field->setCursorPosition(2);
  TypeOnKeypad({"btn20"});  // 退格 removes the character before the caret
  QCOMPARE(field->text(), QStringLiteral("15"));
  TypeOnKeypad({"btn13", "btn14", "btn16", "btn17", "btn19", "btn23", "btn24", "btn21"});
  QCOMPARE(field->text(), QStringLiteral("1789462305"));  // typed at the caret

  // The calibration page's keypad types into its own field the same way.
  window->RzPageControl1->setCurrentWidget(window->TabSheet12);
  window->SetConnState(1);
  auto* weight = Control<QLineEdit>("edtAny");
  weight->clear();
  weight->setFocus();
  TypeOnKeypad({"btn7", "btn8", "btn9", "btn4", "btn5", "btn6", "btn1", "btn2", "btn3", "btn0", "btnDel"});
  QCOMPARE(weight->text(), QStringLiteral("789456123"));
}

void MainWindowTest::keypadPointIsFilteredByTheField() {
  window->SetConnState(1);
  auto* weight = Control<QLineEdit>("edtAny");
  weight->setText(QStringLiteral("10"));
  weight->setFocus();
  TypeOnKeypad({"btnSpeck"});
  QCOMPARE(weight->text(), QStringLiteral("10"));

  window->RzPageControl1->setCurrentWidget(window->TabSheet3);
  auto* height = Control<QLineEdit>("edtHeight");
  height->setText(QStringLiteral("12"));
  height->setFocus();
  TypeOnKeypad({"btn25", "btn18"});
  QCOMPARE(height->text(), QStringLiteral("125"));
}

void MainWindowTest::keypadWithoutFocusedFieldDoesNothing() {
  window->RzPageControl1->setCurrentWidget(window->TabSheet3);
  auto* button = Control<QPushButton>("btnCalc");
  button->setFocus();
  QCOMPARE(QApplication::focusWidget(), button);
  const QString before = Control<QLineEdit>("edtRealAcc")->text();
  TypeOnKeypad({"btn22", "btn20"});
  QCOMPARE(Control<QLineEdit>("edtRealAcc")->text(), before);
  window->KeyBordBtnClick(nullptr);  // no sender: nothing
}

void MainWindowTest::keyFiltersRefuseOtherCharacters() {
  window->SetConnState(1);
  window->edtdeviation->show();  // only to let keys reach it in this test
  QApplication::clipboard()->setText(QStringLiteral("99"));
  struct Case {
    const char* field;
    QWidget* page;
    const char* typed;
    const char* expected;
  };
  const Case cases[] = {
      {"edtAny", window->TabSheet12, "1a-,.2", "12"},
      {"edtdeviation", window->TabSheet12, "0a-,.5", "0.5"},
      {"edtRealAcc", window->TabSheet3, "9a-,.8", "9.8"},
      {"edtHeight", window->TabSheet3, "3a-,.4", "34"},
      {"edt1", window->TabSheet3, "2+3", "23"},
      {"edt2", window->TabSheet3, "4 5", "45"},
      {"edt3", window->TabSheet3, "6e7", "67"},
  };
  for (const Case& c : cases) {
    window->RzPageControl1->setCurrentWidget(c.page);
    auto* field = Control<QLineEdit>(c.field);
    field->clear();
    field->setFocus();
    QTest::keyClicks(field, QString::fromLatin1(c.typed));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);  // paste shortcut is refused too
    QVERIFY2(field->text() == QLatin1String(c.expected), c.field);
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(field->text().size(), int(strlen(c.expected)) - 1);
  }
}

void MainWindowTest::closeQuestionAnsweredBothWays() {
  ScopedScriptedBoxes boxes;
  window->ShowStatus(QStringLiteral("before"));
  boxes.answers = {false};
  QVERIFY(!window->close());
  QVERIFY(window->isVisible());
  QCOMPARE(window->StatusText(), QStringLiteral("before"));
  QCOMPARE(boxes.shown.size(), size_t{1});
  QCOMPARE(boxes.shown[0].text, QStringLiteral("您确定要退出系统吗？"));
  QVERIFY(boxes.shown[0].kind == MessageBoxes::Kind::ConfirmOkCancel);

  boxes.answers = {true};
  QVERIFY(window->close());
  QVERIFY(!window->isVisible());
  QCOMPARE(boxes.shown.size(), size_t{2});
}

void MainWindowTest::showStatusDrawsBeforeItReturns() {
  QVERIFY(QTest::qWaitForWindowExposed(window));
  PaintCounter counter;
  window->statTip->installEventFilter(&counter);
  window->ShowStatus(QStringLiteral("打开串口成功"));
  QVERIFY(counter.paints > 0);  // no event loop ran in between
  QCOMPARE(window->StatusText(), QStringLiteral("打开串口成功"));
  window->ShowStatus(QString());
  QCOMPARE(window->StatusText(), QString());
  QCOMPARE(window->statTip->findChildren<QLabel*>().first()->text(), QStringLiteral("状态"));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
