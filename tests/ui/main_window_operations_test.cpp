// Operator actions of the pages that need no controller: what the tare and
// base value show, the gravity formula, the input checks of the calibration
// page, the unlock gesture and the password switch. Their frames are tested
// against scale-sim in tests/e2e and tests/session.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app_core/tick_count.h"
#include "protocol/daily_code.h"
#include "protocol/frame.h"
#include "scripted_message_boxes.h"
#include "ui/click_gesture.h"
#include "ui/code_dialog.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "window_controls.h"

namespace {

// Closes every code dialog as soon as it is shown, counting them.
class CodeDialogCloser : public QObject {
public:
    int opened = 0;
    QString typed; // confirmed when not empty

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<CodeDialog*>(watched)) {
                ++opened;
                QTimer::singleShot(0, dialog, [this, dialog] {
                    if (typed.isEmpty()) {
                        dialog->close();
                    } else {
                        Control<QLineEdit>(dialog, "edtInput")->setText(typed);
                        Control<QPushButton>(dialog, "btnOK")->click();
                    }
                });
            }
        return false;
    }
};

} // namespace

class MainWindowOperationsTest : public QObject {
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

    // Before the first measurement there is no weight to take: both are
    // refused with the reason, and nothing changes.
    void tareAndBaseValueBeforeAnyMeasurementAreRefused()
    {
        ScopedScriptedBoxes boxes;
        QCOMPARE(Control<QLabel>(window, "lbltare")->text(), QStringLiteral("-"));
        Control<QPushButton>(window, "btnRemove")->click();
        Control<QPushButton>(window, "btnGetBase")->click();
        QCOMPARE(boxes.Texts(), (QStringList{QStringLiteral("没有实时重量，不能去皮！"),
                                             QStringLiteral("没有实时重量，不能取基数值！")}));
        QCOMPARE(window->session().weighing().tare, 0.0);
        QCOMPARE(window->session().weighing().baseValue, 0.0);
        QCOMPARE(Control<QLabel>(window, "lbltare")->text(), QStringLiteral("-"));
        QCOMPARE(Control<QLabel>(window, "lblBaseValue")->text(), QStringLiteral("基数值："));
    }

    void baseValueIsTakenFromTheRawWeight()
    {
        auto* shown = Control<QLabel>(window, "lblBaseValue");
        // A measurement of 1.5 kg: 10 kg x 15000 / 100000.
        uint8_t payload[16] = {};
        WriteU32LE(payload, 100000);
        WriteU32LE(payload + 4, 15000);
        WriteU16LE(payload + 8, 10);
        const ReplyFrame frame = BuildReplyFrame(0x10, payload);
        window->session().receive(frame.data(), static_cast<uint16_t>(frame.size()));
        Control<QPushButton>(window, "btnGetBase")->click();
        QCOMPARE(window->session().weighing().baseValue, 1.5);
        QCOMPARE(shown->text(), QStringLiteral("基数值:1.5"));
        Control<QPushButton>(window, "btnClearBase")->click();
        QCOMPARE(window->session().weighing().baseValue, 0.0);
        QCOMPARE(shown->text(), QStringLiteral("基数值:0"));
        QVERIFY(!shown->isVisible());
    }

    void gravityFormula_data()
    {
        QTest::addColumn<QStringList>("fields"); // altitude, degrees, minutes, seconds
        QTest::addColumn<QString>("shown");
        QTest::newRow("equator") << QStringList{"0", "0", "0", "0"} << "9.7803";
        QTest::newRow("Beijing") << QStringList{"44", "39", "54", "27"} << "9.8015";
        QTest::newRow("Guangdong") << QStringList{"0", "23", "8", "0"} << "9.7883";
        QTest::newRow("blanks around") << QStringList{" 1000 ", "45", "0", "0"} << "9.8031";
    }
    void gravityFormula()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, shown);
        ScopedScriptedBoxes boxes;
        Control<QLineEdit>(window, "edtHeight")->setText(fields[0]);
        Control<QLineEdit>(window, "edt1")->setText(fields[1]);
        Control<QLineEdit>(window, "edt2")->setText(fields[2]);
        Control<QLineEdit>(window, "edt3")->setText(fields[3]);
        Control<QPushButton>(window, "btnCalc")->click();
        QCOMPARE(Control<QLineEdit>(window, "edtRealAcc")->text(), shown);
        QCOMPARE(boxes.Texts(), QStringList());
    }

    void gravityFormulaStopsAtAFieldThatIsNoNumber()
    {
        ScopedScriptedBoxes boxes;
        Control<QLineEdit>(window, "edtRealAcc")->setText(QStringLiteral("9.79"));
        Control<QLineEdit>(window, "edtHeight")->setText(QStringLiteral(" "));
        Control<QPushButton>(window, "btnCalc")->click();
        Control<QLineEdit>(window, "edtHeight")->setText(QStringLiteral("0"));
        Control<QLineEdit>(window, "edt2")->setText(QStringLiteral("1,5"));
        Control<QPushButton>(window, "btnCalc")->click();
        QCOMPARE(boxes.Texts(),
                 (QStringList{QStringLiteral("'' is not a valid floating point value."),
                              QStringLiteral("'1,5' is not a valid floating point value.")}));
        QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::Error);
        QCOMPARE(Control<QLineEdit>(window, "edtRealAcc")->text(), QStringLiteral("9.79"));
    }

    void calibrationInputChecks()
    {
        ScopedScriptedBoxes boxes;
        Listener().connectionChanged(true);
        // The operator is on the calibration page: a refused field takes the focus there.
        Control<QTabWidget>(window, "RzPageControl1")
            ->setCurrentWidget(Control<QWidget>(window, "TabSheet12"));
        // The range box takes only its listed ranges, typed or picked.
        auto* range = Control<QComboBox>(window, "cbbMaxRange");
        range->setEditText(QStringLiteral("70000"));
        Control<QPushButton>(window, "btnMaxRange")->click();
        QCOMPARE(boxes.Texts().last(), QStringLiteral("请选择相应量程"));
        QVERIFY(range->hasFocus());
        QCOMPARE(window->session().weighing().rangeKg, 0);
        range->clearEditText();
        QTest::keyClicks(range, QStringLiteral("3x0"));
        QCOMPARE(range->currentText(), QStringLiteral("30"));
        Control<QPushButton>(window, "btnMaxRange")->click();
        QCOMPARE(window->session().weighing().rangeKg, 30);
        QCOMPARE(window->statusText(), QStringLiteral("设置量程开始！"));
        Listener().statusChanged("");
        Control<QComboBox>(window, "cbbFD")->setCurrentIndex(-1);
        Control<QPushButton>(window, "btnSetPD")->click();
        QCOMPARE(boxes.Texts().last(), QStringLiteral("请选择相应在分度值"));
        QVERIFY(Control<QComboBox>(window, "cbbFD")->hasFocus());
        Control<QLineEdit>(window, "edtAny")->setText(QStringLiteral("   "));
        Control<QPushButton>(window, "btnAnySet")->click();
        QCOMPARE(boxes.Texts().last(), QStringLiteral("请输入任意点重量值"));
        QVERIFY(Control<QLineEdit>(window, "edtAny")->hasFocus());
        QCOMPARE(window->statusText(), QString());
    }

    void anyPointWeightThatIsNoIntegerEndsTheAction()
    {
        ScopedScriptedBoxes boxes;
        Listener().connectionChanged(true);
        Control<QLineEdit>(window, "edtAny")->setText(QStringLiteral("12a"));
        Control<QPushButton>(window, "btnAnySet")->click();
        QCOMPARE(window->statusText(), QStringLiteral("标定任一点开始！"));
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("'12a' is not a valid integer value.")});
        QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::Error);
    }

    void placesShowTheirNameAndGravity()
    {
        Listener().placeChanged(GravityPlace::Use, "台湾", 97900);
        QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(), QStringLiteral("台湾[9.79]"));
        Listener().placeChanged(GravityPlace::Calibration, "黑龙江省", 98066);
        QCOMPARE(Control<QLineEdit>(window, "edtCity")->text(), QStringLiteral("黑龙江省[9.8066]"));
        QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(), QStringLiteral("台湾[9.79]"));
    }

    // The 3 seconds run from the first click of a sequence; the third click
    // completes the gesture and also starts the next sequence.
    void unlockGestureCountsClicksWithinThreeSeconds()
    {
        ClickGesture gesture;
        const uint32_t start = 0xFFFFF000u; // across the wrap of the tick count
        QVERIFY(!gesture.click(start));
        QVERIFY(!gesture.click(start + 100));
        QVERIFY(!gesture.click(start + 3001)); // too late: a new sequence
        QCOMPARE(gesture.clicks(), 1);
        QVERIFY(!gesture.click(start + 3100));
        QVERIFY(gesture.click(start + 3001 + 2999)); // within 3 s of the sequence's first click
        QCOMPARE(gesture.clicks(), 1);
        QVERIFY(!gesture.click(start + 6100));
        QVERIFY(gesture.click(start + 6200)); // with the completing click of before: three
    }

    // Three clicks on the reading open the code dialog, a new one each time.
    void threeClicksOnTheReadingOpenTheCodeDialog()
    {
        CodeDialogCloser closer;
        qApp->installEventFilter(&closer);
        auto* reading = Control<QLabel>(window, "lblValue");
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(reading, Qt::LeftButton);
        QCOMPARE(closer.opened, 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window->findChild<CodeDialog*>());
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(reading, Qt::LeftButton);
        QCOMPARE(closer.opened, 2);
        qApp->removeEventFilter(&closer);
    }

    void unlockCodeMustMatchExactly()
    {
        ScopedScriptedBoxes boxes;
        CodeDialogCloser closer;
        qApp->installEventFilter(&closer);
        for (const QString& typed : {QStringLiteral("0") + QString::fromStdString(DailyCode()),
                                     QStringLiteral(" ") + QString::fromStdString(DailyCode())}) {
            closer.typed = typed;
            for (int i = 0; i < 3; ++i)
                QTest::mouseClick(Control<QLabel>(window, "lblValue"), Qt::LeftButton);
        }
        QCOMPARE(closer.opened, 2);
        QCOMPARE(boxes.Texts(), (QStringList{QStringLiteral("错误！"), QStringLiteral("错误！")}));
        // The right code with the port closed: nothing to say.
        closer.typed = QString::fromStdString(DailyCode());
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(Control<QLabel>(window, "lblValue"), Qt::LeftButton);
        QCOMPARE(boxes.Texts().size(), 2);
        qApp->removeEventFilter(&closer);
    }

    void passwordMessageMasksTheFirstEditOfTheActiveForm()
    {
        QDialog form;
        auto* first = new QLineEdit(&form);
        auto* second = new QLineEdit(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        window->showFirstEditAsPassword();
        QCOMPARE(first->echoMode(), QLineEdit::Password);
        QCOMPARE(second->echoMode(), QLineEdit::Normal);
        form.close();
        // The main window's edits lie on its pages, not on the form itself.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        window->showFirstEditAsPassword();
        for (QLineEdit* edit : window->findChildren<QLineEdit*>())
            QCOMPARE(edit->echoMode(), QLineEdit::Normal);
    }

private:
    SessionListener& Listener() { return *window; }

    MainWindow* window = nullptr;
};

QTEST_MAIN(MainWindowOperationsTest)
#include "main_window_operations_test.moc"
