// The number dialog of the calibration unlock: keypad typing into the edit,
// confirmation rules and its destruction after every use.

#include "scripted_message_boxes.h"
#include "ui/input_number_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class InputNumberDialogTest : public QObject {
  Q_OBJECT

 private:
  // Shows the dialog modelessly with the keyboard focus in its edit.
  static void ShowActive(TfrmInputNumber& dialog) {
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), dialog.edtInput);
  }

  static void Press(TfrmInputNumber& dialog, const char* key) {
    auto* button = dialog.findChild<QPushButton*>(QLatin1String(key));
    QVERIFY2(button, key);
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();  // the keystrokes are posted
  }

 private slots:
  void windowHasNoCaptionAndOnlyTheCloseBox() {
    TfrmInputNumber dialog(nullptr);
    QCOMPARE(dialog.windowTitle(), QString());
    QCOMPARE(dialog.size(), QSize(319, 394));
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(dialog.lbl1->text(), QStringLiteral("请输入："));
    QCOMPARE(dialog.btnOK->text(), QStringLiteral("确定"));
  }

  void keypadKeysCarryTheirCodesAndNeverTakeTheFocus_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("tag");
    for (int d = 0; d <= 9; ++d)
      QTest::newRow(qPrintable(QString::number(d)))
          << QStringLiteral("btn%1").arg(d) << QString::number(d) << 48 + d;
    QTest::newRow("point") << "btnSpeck" << "." << 110;
    QTest::newRow("backspace") << "btnDel" << QStringLiteral("退格") << 8;
  }
  void keypadKeysCarryTheirCodesAndNeverTakeTheFocus() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(int, tag);
    TfrmInputNumber dialog(nullptr);
    auto* key = dialog.findChild<QPushButton*>(name);
    QVERIFY(key);
    QCOMPARE(key->text(), caption);
    QCOMPARE(key->property("Tag").toInt(), tag);
    QCOMPARE(key->focusPolicy(), Qt::NoFocus);
  }

  void keypadTypesIntoTheEditAtTheCaret() {
    TfrmInputNumber dialog(nullptr);
    ShowActive(dialog);
    for (const char* key : {"btn1", "btnSpeck", "btn5", "btnDel", "btn2", "btn0"}) Press(dialog, key);
    QCOMPARE(dialog.edtInput->text(), QStringLiteral("1.20"));
    QCOMPARE(QApplication::focusWidget(), dialog.edtInput);
  }

  void emptyInputIsRefusedAndTheDialogStaysOpen() {
    ScopedScriptedBoxes boxes;
    TfrmInputNumber dialog(nullptr);
    ShowActive(dialog);
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("请输入!")});
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.bReturnOK);
  }

  // The caller reads the result after exec(); the dialog is gone once the
  // deferred deletion has run.
  void confirmedInputIsKeptUnchangedAndTheDialogDestroyed() {
    QPointer<TfrmInputNumber> dialog = new TfrmInputNumber(nullptr);
    QTimer::singleShot(0, dialog, [&] {
      QTest::keyClicks(dialog->edtInput, QStringLiteral(" 0123 "));
      QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    dialog->exec();
    QVERIFY(dialog);
    QVERIFY(dialog->bReturnOK);
    QCOMPARE(dialog->strInput, QStringLiteral(" 0123 "));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dialog);
  }

  void closingWithTheCloseBoxReturnsNothing() {
    QPointer<TfrmInputNumber> dialog = new TfrmInputNumber(nullptr);
    QTimer::singleShot(0, dialog, [&] {
      QTest::keyClicks(dialog->edtInput, QStringLiteral("42"));
      dialog->close();
    });
    dialog->exec();
    QVERIFY(!dialog->bReturnOK);
    QCOMPARE(dialog->strInput, QString());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dialog);
  }

  void eachShowStartsUnconfirmed() {
    TfrmInputNumber dialog(nullptr);
    dialog.bReturnOK = true;
    dialog.show();
    QVERIFY(!dialog.bReturnOK);
  }
};

QTEST_MAIN(InputNumberDialogTest)
#include "input_number_dialog_test.moc"
