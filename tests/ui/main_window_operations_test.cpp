// Operator actions of the main window that need no controller: tare and
// base value from the displayed texts, the gravity formula, the input
// checks of the calibration page, the unlock gesture's counting and the
// password switch. Their frames are tested against scale-sim in tests/e2e.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/message_boxes.h"
#include "app_core/tick_count.h"
#include "protocol/daily_code.h"
#include "ui/input_number_dialog.h"
#include "ui/led_display.h"
#include "ui/main_window.h"

namespace {

// Closes every number dialog as soon as it is shown, counting them.
class NumberDialogCloser : public QObject {
 public:
  int opened = 0;
  QString typed;  // confirmed when not empty

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show)
      if (auto* dialog = qobject_cast<TfrmInputNumber*>(watched)) {
        ++opened;
        QTimer::singleShot(0, dialog, [this, dialog] {
          if (typed.isEmpty()) {
            dialog->close();
          } else {
            dialog->edtInput->setText(typed);
            dialog->btnOK->click();
          }
        });
      }
    return false;
  }
};

}  // namespace

class MainWindowOperationsTest : public QObject {
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

  void tareBeforeAnyMeasurementStaysZero() {
    QCOMPARE(window->lbltare->text(), QStringLiteral("-"));
    window->btnRemove->click();
    QCOMPARE(window->dTare, 0.0);
    QCOMPARE(window->lbltare->text(), QStringLiteral("0.000"));
  }

  void baseValueIsTakenFromTheRawWeight() {
    window->btnGetBaseClick();  // "-" before the first measurement
    QCOMPARE(window->dBaseValue, 0.0);
    QCOMPARE(window->lblBaseValue->text(), QStringLiteral("基数值:0"));
    window->lbl4->setText(QStringLiteral("1.5"));
    window->btnGetBaseClick();
    QCOMPARE(window->dBaseValue, 1.5);
    QCOMPARE(window->lblBaseValue->text(), QStringLiteral("基数值:1.5"));
    window->btnClearBaseClick();
    QCOMPARE(window->dBaseValue, 0.0);
    QCOMPARE(window->lblBaseValue->text(), QStringLiteral("基数值:0"));
    QVERIFY(!window->lblBaseValue->isVisible());
  }

  void gravityFormula_data() {
    QTest::addColumn<QStringList>("fields");  // altitude, degrees, minutes, seconds
    QTest::addColumn<QString>("shown");
    QTest::newRow("equator") << QStringList{"0", "0", "0", "0"} << "9.7803";
    QTest::newRow("Beijing") << QStringList{"44", "39", "54", "27"} << "9.8015";
    QTest::newRow("Guangdong") << QStringList{"0", "23", "8", "0"} << "9.7883";
    QTest::newRow("blanks around") << QStringList{" 1000 ", "45", "0", "0"} << "9.8031";
  }
  void gravityFormula() {
    QFETCH(QStringList, fields);
    QFETCH(QString, shown);
    ScopedScriptedBoxes boxes;
    window->edtHeight->setText(fields[0]);
    window->edt1->setText(fields[1]);
    window->edt2->setText(fields[2]);
    window->edt3->setText(fields[3]);
    window->btnCalc->click();
    QCOMPARE(window->edtRealAcc->text(), shown);
    QCOMPARE(boxes.Texts(), QStringList());
  }

  void gravityFormulaStopsAtAFieldThatIsNoNumber() {
    ScopedScriptedBoxes boxes;
    window->edtRealAcc->setText(QStringLiteral("9.79"));
    window->edtHeight->setText(QStringLiteral(" "));
    window->btnCalc->click();
    window->edtHeight->setText(QStringLiteral("0"));
    window->edt2->setText(QStringLiteral("1,5"));
    window->btnCalc->click();
    QCOMPARE(boxes.Texts(), (QStringList{QStringLiteral("'' is not a valid floating point value."),
                                         QStringLiteral("'1,5' is not a valid floating point value.")}));
    QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::Error);
    QCOMPARE(window->edtRealAcc->text(), QStringLiteral("9.79"));
  }

  void calibrationInputChecks() {
    ScopedScriptedBoxes boxes;
    window->SetConnState(1);
    // The range shows "15" at start but no item is selected.
    window->btnMaxRange->click();
    QCOMPARE(boxes.Texts().last(), QStringLiteral("请选择相应量程"));
    QVERIFY(window->cbbMaxRange->hasFocus());
    QCOMPARE(window->iMaxRange, 0);
    window->cbbFD->setCurrentIndex(-1);
    window->btnSetPD->click();
    QCOMPARE(boxes.Texts().last(), QStringLiteral("请选择相应在分度值"));
    QVERIFY(window->cbbFD->hasFocus());
    window->edtAny->setText(QStringLiteral("   "));
    window->btnAnySet->click();
    QCOMPARE(boxes.Texts().last(), QStringLiteral("请输入任意点重量值"));
    QVERIFY(window->edtAny->hasFocus());
    QCOMPARE(window->StatusText(), QString());
  }

  void anyPointWeightThatIsNoIntegerEndsTheAction() {
    ScopedScriptedBoxes boxes;
    window->SetConnState(1);
    window->edtAny->setText(QStringLiteral("12a"));
    window->btnAnySet->click();
    QCOMPARE(window->StatusText(), QStringLiteral("标定任一点开始！"));
    QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("'12a' is not a valid integer value.")});
    QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::Error);
  }

  void setCityNameIgnoresIndexesOutsideTheTable() {
    window->SetCityName(8, 1);
    QCOMPARE(window->edtUseCity->text(), QStringLiteral("台湾[9.79]"));
    window->SetCityName(32, 0);
    QCOMPARE(window->edtCity->text(), QStringLiteral("黑龙江省[9.8066]"));
    window->SetCityName(33, 1);
    window->SetCityName(-1, 0);
    QCOMPARE(window->edtUseCity->text(), QStringLiteral("台湾[9.79]"));
    QCOMPARE(window->edtCity->text(), QStringLiteral("黑龙江省[9.8066]"));
  }

  // The 3 seconds run from the first click of a sequence; the third click
  // opens the dialog and also starts the next sequence.
  void unlockGestureCountsClicksWithinThreeSeconds() {
    NumberDialogCloser closer;
    qApp->installEventFilter(&closer);
    const auto clickValue = [this] { QTest::mouseClick(window->lblValue, Qt::LeftButton); };
    const auto ageSequence = [this](uint32_t ms) {
      window->START_COUNT = static_cast<int32_t>(static_cast<uint32_t>(window->START_COUNT) - ms);
    };

    clickValue();
    QCOMPARE(window->PRESS_COUNT, 1);
    clickValue();
    ageSequence(3001);
    clickValue();  // too late: a new sequence
    QCOMPARE(window->PRESS_COUNT, 1);
    QCOMPARE(closer.opened, 0);

    clickValue();
    ageSequence(2900);
    clickValue();  // within 3 s of the first click
    QCOMPARE(closer.opened, 1);
    QCOMPARE(window->PRESS_COUNT, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window->frmInputNumber);

    clickValue();
    clickValue();  // with the third click of before: three
    QCOMPARE(closer.opened, 2);
    qApp->removeEventFilter(&closer);
  }

  void unlockCodeMustMatchExactly() {
    ScopedScriptedBoxes boxes;
    NumberDialogCloser closer;
    qApp->installEventFilter(&closer);
    for (const QString& typed : {QStringLiteral("0") + QString::fromStdString(GetDailyCode()),
                                 QStringLiteral(" ") + QString::fromStdString(GetDailyCode())}) {
      closer.typed = typed;
      for (int i = 0; i < 3; ++i) QTest::mouseClick(window->lblValue, Qt::LeftButton);
    }
    QCOMPARE(closer.opened, 2);
    QCOMPARE(boxes.Texts(), (QStringList{QStringLiteral("错误！"), QStringLiteral("错误！")}));
    // The right code with the port closed: nothing to say.
    closer.typed = QString::fromStdString(GetDailyCode());
    for (int i = 0; i < 3; ++i) QTest::mouseClick(window->lblValue, Qt::LeftButton);
    QCOMPARE(boxes.Texts().size(), 2);
    qApp->removeEventFilter(&closer);
  }

  void passwordMessageMasksTheFirstEditOfTheActiveForm() {
    QDialog form;
    auto* first = new QLineEdit(&form);
    auto* second = new QLineEdit(&form);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    window->InputboxPassword();
    QCOMPARE(first->echoMode(), QLineEdit::Password);
    QCOMPARE(second->echoMode(), QLineEdit::Normal);
    form.close();
    // The main window's edits lie on its pages, not on the form itself.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    window->InputboxPassword();
    for (QLineEdit* edit : window->findChildren<QLineEdit*>())
      QCOMPARE(edit->echoMode(), QLineEdit::Normal);
  }

 private:
  TfrmMain* window = nullptr;
};

QTEST_MAIN(MainWindowOperationsTest)
#include "main_window_operations_test.moc"
