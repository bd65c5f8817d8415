// The main window as the operator finds it: controls, pages, enabling,
// keypads, input checks, status bar and the close question.

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

#include "scripted_message_boxes.h"
#include "serial/port_discovery.h"
#include "ui/led_display.h"
#include "ui/main_window.h"

namespace {

// Counts paint events of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QString CaptionOf(QWidget* control)
{
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<QPushButton*>(control))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return group->title();
    if (auto* box = qobject_cast<QComboBox*>(control))
        return box->currentText();
    if (auto* led = qobject_cast<LedDisplay*>(control))
        return led->Caption();
    return {};
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        window = new MainWindow;
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void controlsStandAsListed_data();
    void controlsStandAsListed();
    void hiddenControlsStayHidden();
    void pagesInOrderWithWeighingInFront();
    void dropDownsHoldTheirItems();
    void keypadsCarryTheirCodes();
    void windowFrame();
    void connectionStateEnablesTheDependentControls();
    void keypadTypesIntoTheFocusedField();
    void keypadPointIsFilteredByTheField();
    void keypadWithoutFocusedFieldDoesNothing();
    void inputChecksRefuseOtherCharacters();
    void closeQuestionAnsweredBothWays();
    void showStatusDrawsBeforeItReturns();

private:
    template <typename T = QWidget> T* Control(const char* name)
    {
        T* control = window->findChild<T*>(QLatin1String(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    void TypeOnKeypad(std::initializer_list<const char*> keys)
    {
        for (const char* key : keys)
            Control<QPushButton>(key)->click();
        QCoreApplication::sendPostedEvents();
    }

    SessionListener& Listener() { return *window; }
    QTabWidget* Pages() { return Control<QTabWidget>("RzPageControl1"); }

    MainWindow* window = nullptr;
};

void MainWindowTest::controlsStandAsListed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");

    auto row = [](const char* name, const char* kind, const QString& caption, bool enabled = true) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << caption
                            << enabled;
    };
    // Page "称量".
    row("grp1", "QGroupBox", "显示");
    row("DispValue", "LedDisplay", "-----");
    row("pnlunit", "QLabel", "kg");
    row("lblAnyWeight", "QLabel", "任意点值:");
    row("lblAnyValue", "QLabel", "-");
    row("lbl5", "QLabel", "皮重:");
    row("lbltare", "QLabel", "-");
    row("lbl4", "QLabel", "-");
    row("lbl1", "QLabel", "串口号:");
    row("cbbComm", "QComboBox", "Com1");
    row("lbl2", "QLabel", "波特率:");
    row("cbbRate", "QComboBox", "9600");
    row("btnProbe", "QPushButton", "探测");
    row("btnOpen", "QPushButton", "打开");
    row("btnClose", "QPushButton", "关闭");
    row("btnClear", "QPushButton", "清零");
    row("btnRemove", "QPushButton", "去皮");
    row("btnPrinte", "QPushButton", "打印");
    row("btnStart", "QPushButton", "开始采样");
    row("grp3", "QGroupBox", "AD检测区");
    row("edtBaseAD", "QLineEdit", "0");
    row("edtNowAD", "QLineEdit", "0");
    row("edtDiffAD", "QLineEdit", "0");
    row("edtDiffValue", "QLineEdit", "0");
    row("edtStartDt", "QLineEdit", "");
    row("edtRunCount", "QLineEdit", "");
    row("edtErrorDt", "QLineEdit", "");
    row("edtErrorCount", "QLineEdit", "");
    row("lblBaseAD", "QLabel", "开始AD值：");
    row("lblNowAD", "QLabel", "实时AD值：");
    row("lblDiffAD", "QLabel", "差异AD值：");
    row("lblDiffValue", "QLabel", "预估差值：");
    row("lblStartDt", "QLabel", "开始时间：");
    row("lbl15", "QLabel", "运行时长：");
    row("lblErrorDt", "QLabel", "预警时间：");
    row("lbl10", "QLabel", "预警时长：");
    // Page "使用设置".
    row("grp2", "QGroupBox", "使用地设置");
    row("grpSelect", "QGroupBox", "1、直接选择");
    row("lbl8", "QLabel", "使用地:");
    row("edtUseCity", "QLineEdit", "韶关", false);
    row("btn15", "QPushButton", "选择");
    row("grpUserSet", "QGroupBox", "2、自定义");
    row("lblHeight", "QLabel", "海拔:");
    row("edtHeight", "QLineEdit", "0");
    row("lbl7", "QLabel", "米");
    row("lbl9", "QLabel", "纬度：");
    row("edt1", "QLineEdit", "0");
    row("lbl13", "QLabel", "度");
    row("edt2", "QLineEdit", "0");
    row("lbl12", "QLabel", "分");
    row("edt3", "QLineEdit", "0");
    row("lbl11", "QLabel", "秒");
    row("lbl14", "QLabel", "重力加速度：");
    row("edtRealAcc", "QLineEdit", "0");
    row("btnCalc", "QPushButton", "计算");
    row("btnSet", "QPushButton", "设置");
    row("rzpnl1", "QFrame", "");
    // Page "标定".
    row("grppdInf", "QGroupBox", "标定设置");
    row("lblCity", "QLabel", "标定地:");
    row("edtCity", "QLineEdit", "韶关[9.7894]", false);
    row("lblAny", "QLabel", "任意点重量:");
    row("edtAny", "QLineEdit", "10");
    row("btnZeroSet", "QPushButton", "零点标定");
    row("btnAnySet", "QPushButton", "任一点标定");
    row("grpOtherSet", "QGroupBox", "其它设置");
    row("lbl3", "QLabel", "分度值:");
    row("cbbFD", "QComboBox", "默认");
    row("btnSetPD", "QPushButton", "设置分度值");
    row("lbl6", "QLabel", "量程:");
    row("cbbMaxRange", "QComboBox", "15");
    row("btnMaxRange", "QPushButton", "设置量程");
    row("lblFDTip", "QLabel",
        "提示：默认分度值：重量值<6kg时，分度值为2g；\n重量值>=6kg时，分度值为5g；");
    row("btn12", "QPushButton", "查询零点跟踪状态");
    row("btn10", "QPushButton", "开启零点跟踪");
    row("btn11", "QPushButton", "关闭零点跟踪");
    row("btnReadVer", "QPushButton", "读版本");
    row("btnPrint", "QPushButton", "平移清零");
    row("btnSetLog", "QPushButton", "查询标定记录");
    row("btnQueryBeep", "QPushButton", "查询峰鸣器状态");
    row("btnOpenBeep", "QPushButton", "开启峰鸣器");
    row("btnCloseBeep", "QPushButton", "关闭峰鸣器");
    row("rzpnlLogininf", "QFrame", "");
    row("grpDisplay", "QGroupBox", "示值");
    row("lblValue", "QLabel", "-----");
    row("lblRealValue", "QLabel", "实际值：");
    row("lblTip", "QLabel", "提示：\n1、任意点标定推荐使用满量程重量标定");
    row("btnSelCity", "QPushButton", "选择");
    row("btnGetBase", "QPushButton", "取基值");
    row("btnClearBase", "QPushButton", "清基值");
    row("edtdeviation", "QLineEdit", "0.005");
}

void MainWindowTest::controlsStandAsListed()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);

    auto* control = window->findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
    QCOMPARE(CaptionOf(control), caption);
    // Before the window is shown by the program no connection exists; only
    // the connection-dependent controls change later.
    if (name != "btnClose" && name != "btnZeroSet" && name != "btnAnySet" && name != "edtAny" &&
        name != "btnPrinte" && name != "edtdeviation")
        QCOMPARE(control->isEnabled(), enabled);
}

void MainWindowTest::hiddenControlsStayHidden()
{
    for (const char* name : {"lblFD", "lblFDvalue", "lblBaseValue", "lblTip", "btnSelCity",
                             "btnGetBase", "btnClearBase", "edtdeviation", "grp3"})
        QVERIFY2(Control(name)->isHidden(), name);
    // Run-time writes and enabling do not show them.
    Listener().connectionChanged(true);
    for (const char* name : {"btnSelCity", "edtdeviation"})
        QVERIFY2(Control(name)->isHidden(), name);
    QCOMPARE(Control<QLabel>("lblBaseValue")->text(), QStringLiteral("基数值："));
}

void MainWindowTest::pagesInOrderWithWeighingInFront()
{
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
    QCOMPARE(pages->currentWidget(), Control("TabSheet5"));
    QVERIFY(Control("TabSheet2")->children().isEmpty());
}

void MainWindowTest::dropDownsHoldTheirItems()
{
    auto items = [](QComboBox* box) {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list << box->itemText(i);
        return list;
    };
    auto* ports = Control<QComboBox>("cbbComm");
    // The serial devices of this machine first, then "Com1"…"Com20".
    const std::vector<serial::DiscoveredPort> present = serial::DiscoverPorts();
    const int first = static_cast<int>(present.size());
    QCOMPARE(ports->count(), first + 20);
    for (int i = 0; i < first; ++i)
        QCOMPARE(ports->itemText(i), QString::fromStdString(present[size_t(i)].name));
    QCOMPARE(ports->itemText(first), QStringLiteral("Com1"));
    QCOMPARE(ports->itemText(first + 19), QStringLiteral("Com20"));
    QCOMPARE(ports->currentIndex(), -1);
    QVERIFY(ports->isEditable());
    auto* rates = Control<QComboBox>("cbbRate");
    QCOMPARE(items(rates),
             (QStringList{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    QCOMPARE(rates->currentIndex(), -1);
    QCOMPARE(items(Control<QComboBox>("cbbFD")), (QStringList{"默认", "5g"}));
    QCOMPARE(Control<QComboBox>("cbbFD")->currentIndex(), 0);
    QCOMPARE(items(Control<QComboBox>("cbbMaxRange")), (QStringList{"3", "15", "30", "750"}));
    QCOMPARE(Control<QComboBox>("cbbMaxRange")->currentIndex(), -1);
}

void MainWindowTest::keypadsCarryTheirCodes()
{
    const char* useKeys[] = {"btn13", "btn14", "btn16", "btn17", "btn18", "btn19",
                             "btn22", "btn23", "btn24", "btn21", "btn25", "btn20"};
    const char* calibrationKeys[] = {"btn7", "btn8", "btn9", "btn4", "btn5",     "btn6",
                                     "btn1", "btn2", "btn3", "btn0", "btnSpeck", "btnDel"};
    const QString captions[] = {"7", "8", "9", "4", "5", "6", "1", "2", "3", "0", ".", "退格"};
    const int codes[] = {55, 56, 57, 52, 53, 54, 49, 50, 51, 48, 110, 8};
    for (int i = 0; i < 12; ++i) {
        for (const auto& [panel, name] :
             {std::pair{"rzpnl1", useKeys[i]}, std::pair{"rzpnlLogininf", calibrationKeys[i]}}) {
            auto* key = Control<QPushButton>(name);
            QCOMPARE(key->parent()->objectName(), QLatin1String(panel));
            QCOMPARE(key->text(), captions[i]);
            QCOMPARE(key->property("Tag").toInt(), codes[i]);
            QCOMPARE(key->focusPolicy(), Qt::NoFocus);
        }
    }
}

void MainWindowTest::windowFrame()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("电子称配置工具V2.2"));
    QCOMPARE(Control<QLabel>("rzpnlTop")->text(), QStringLiteral("电子称配置工具 "));
    QCOMPARE(Control("pnlTop")->height(), 73);
    QVERIFY(Control("statTip")->height() >= 18);
    // An ordinary window: it may be resized and maximised.
    QVERIFY(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    const QList<QLabel*> panels = Control("statTip")->findChildren<QLabel*>();
    QVERIFY(!panels.isEmpty());
    QCOMPARE(panels.first()->text(), QStringLiteral("状态"));
    QCOMPARE(window->statusText(), QString());
    // The display runs across the page.
    QCOMPARE(Control("grp1")->width(), Control("TabSheet5")->width());
}

void MainWindowTest::connectionStateEnablesTheDependentControls()
{
    const char* dependent[] = {"btnClose",     "btnZeroSet", "btnAnySet",
                               "edtdeviation", "edtAny",     "btnPrinte"};
    const char* independent[] = {"btnClear",    "btnRemove",  "btnStart",  "btnPrint", "btnSetPD",
                                 "btnMaxRange", "btnReadVer", "btnSetLog", "btn15",    "btnSet",
                                 "btnCalc",     "cbbComm",    "cbbRate",   "btnProbe"};
    for (int state : {1, 0, -1, 1, 2}) {
        const bool connected = state == 1;
        Listener().connectionChanged(connected);
        QCOMPARE(Control("btnOpen")->isEnabled(), !connected);
        for (const char* name : dependent)
            QVERIFY2(Control(name)->isEnabled() == connected, name);
        for (const char* name : independent)
            QVERIFY2(Control(name)->isEnabled(), name);
    }
}

void MainWindowTest::keypadTypesIntoTheFocusedField()
{
    Pages()->setCurrentWidget(Control("TabSheet3"));
    auto* field = Control<QLineEdit>("edtRealAcc");
    field->clear();
    field->setFocus();
    QCOMPARE(QApplication::focusWidget(), field);
    TypeOnKeypad({"btn22", "btn25", "btn18"});
    QCOMPARE(field->text(), QStringLiteral("1.5"));
    QCOMPARE(QApplication::focusWidget(), field); // the keys never take the focus
    field->setCursorPosition(2);
    TypeOnKeypad({"btn20"}); // 退格 removes the character before the caret
    QCOMPARE(field->text(), QStringLiteral("15"));
    TypeOnKeypad({"btn13", "btn14", "btn16", "btn17", "btn19", "btn23", "btn24", "btn21"});
    QCOMPARE(field->text(), QStringLiteral("1789462305")); // typed at the caret

    // The calibration page's keypad types into its own field the same way.
    Pages()->setCurrentWidget(Control("TabSheet12"));
    Listener().connectionChanged(true);
    auto* weight = Control<QLineEdit>("edtAny");
    weight->clear();
    weight->setFocus();
    TypeOnKeypad(
        {"btn7", "btn8", "btn9", "btn4", "btn5", "btn6", "btn1", "btn2", "btn3", "btn0", "btnDel"});
    QCOMPARE(weight->text(), QStringLiteral("789456123"));
}

void MainWindowTest::keypadPointIsFilteredByTheField()
{
    Listener().connectionChanged(true);
    auto* weight = Control<QLineEdit>("edtAny");
    weight->setText(QStringLiteral("10"));
    weight->setFocus();
    TypeOnKeypad({"btnSpeck"});
    QCOMPARE(weight->text(), QStringLiteral("10"));

    Pages()->setCurrentWidget(Control("TabSheet3"));
    auto* height = Control<QLineEdit>("edtHeight");
    height->setText(QStringLiteral("12"));
    height->setFocus();
    TypeOnKeypad({"btn25", "btn18"});
    QCOMPARE(height->text(), QStringLiteral("125"));
}

void MainWindowTest::keypadWithoutFocusedFieldDoesNothing()
{
    Pages()->setCurrentWidget(Control("TabSheet3"));
    auto* button = Control<QPushButton>("btnCalc");
    button->setFocus();
    QCOMPARE(QApplication::focusWidget(), button);
    const QString before = Control<QLineEdit>("edtRealAcc")->text();
    TypeOnKeypad({"btn22", "btn20"});
    QCOMPARE(Control<QLineEdit>("edtRealAcc")->text(), before);
}

void MainWindowTest::inputChecksRefuseOtherCharacters()
{
    Listener().connectionChanged(true);
    Control("edtdeviation")->show(); // only to let keys reach it in this test
    // Pasted text is held to the same characters: a mixed text is refused.
    QApplication::clipboard()->setText(QStringLiteral("9x"));
    struct Case {
        const char* field;
        const char* page;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        {"edtAny", "TabSheet12", "1a-,.2", "12"},
        {"edtdeviation", "TabSheet12", "0a-,.5", "0.5"},
        {"edtRealAcc", "TabSheet3", "9a-,.8", "9.8"},
        {"edtHeight", "TabSheet3", "3a-,.4", "34"},
        {"edt1", "TabSheet3", "2+3", "23"},
        {"edt2", "TabSheet3", "4 5", "45"},
        {"edt3", "TabSheet3", "6e7", "67"},
    };
    for (const Case& c : cases) {
        Pages()->setCurrentWidget(Control(c.page));
        auto* field = Control<QLineEdit>(c.field);
        field->clear();
        field->setFocus();
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QVERIFY2(field->text() == QLatin1String(c.expected), c.field);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text().size(), int(strlen(c.expected)) - 1);
    }
}

void MainWindowTest::closeQuestionAnsweredBothWays()
{
    ScopedScriptedBoxes boxes;
    Listener().statusChanged("before");
    boxes.answers = {false};
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QCOMPARE(window->statusText(), QStringLiteral("before"));
    QCOMPARE(boxes.shown.size(), size_t{1});
    QCOMPARE(boxes.shown[0].text, QStringLiteral("您确定要退出系统吗？"));
    QVERIFY(boxes.shown[0].kind == MessageBoxes::Kind::ConfirmOkCancel);

    boxes.answers = {true};
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QCOMPARE(boxes.shown.size(), size_t{2});
}

void MainWindowTest::showStatusDrawsBeforeItReturns()
{
    QVERIFY(QTest::qWaitForWindowExposed(window));
    PaintCounter counter;
    Control("statTip")->installEventFilter(&counter);
    Listener().statusChanged("打开串口成功");
    QVERIFY(counter.paints > 0); // no event loop ran in between
    QCOMPARE(window->statusText(), QStringLiteral("打开串口成功"));
    Listener().statusChanged("");
    QCOMPARE(window->statusText(), QString());
    QCOMPARE(Control("statTip")->findChildren<QLabel*>().first()->text(), QStringLiteral("状态"));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
