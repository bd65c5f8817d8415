// The code dialog of the calibration unlock: keypad typing into the edit,
// confirmation rules and its destruction after every use.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "scripted_message_boxes.h"
#include "ui/code_dialog.h"
#include "window_controls.h"

namespace {

QLineEdit* Entry(const CodeDialog& dialog) { return Control<QLineEdit>(&dialog, "edtInput"); }
QPushButton* ConfirmButton(const CodeDialog& dialog)
{
    return Control<QPushButton>(&dialog, "btnOK");
}

} // namespace

class CodeDialogTest : public QObject {
    Q_OBJECT

private:
    // Shows the dialog modelessly with the keyboard focus in its edit.
    static void ShowActive(CodeDialog& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), Entry(dialog));
    }

    static void Press(CodeDialog& dialog, const char* key)
    {
        QTest::mouseClick(Control<QPushButton>(&dialog, key), Qt::LeftButton);
        QCoreApplication::processEvents(); // the keystrokes are posted
    }

private slots:
    void windowHasNoCaptionAndOnlyTheCloseBox()
    {
        CodeDialog dialog(nullptr);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString());
        QCOMPARE(dialog.size(), QSize(319, 394));
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(Control<QLabel>(&dialog, "lbl1")->text(), QStringLiteral("请输入："));
        QCOMPARE(ConfirmButton(dialog)->text(), QStringLiteral("确定"));
        // Label, edit and button in a row in the top panel, the keypad below.
        QWidget* topPanel = Control(&dialog, "pnlTop");
        QCOMPARE(Entry(dialog)->parentWidget(), topPanel);
        QVERIFY(Control(&dialog, "lbl1")->geometry().right() < Entry(dialog)->geometry().left());
        QVERIFY(Entry(dialog)->geometry().right() < ConfirmButton(dialog)->geometry().left());
        QVERIFY(topPanel->geometry().bottom() < Control(&dialog, "pnlKeys")->geometry().top());
    }

    void keypadKeysCarryTheirCodesAndNeverTakeTheFocus_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("tag");
        for (int d = 0; d <= 9; ++d)
            QTest::newRow(qPrintable(QString::number(d)))
                << QStringLiteral("btn%1").arg(d) << QString::number(d) << 48 + d;
        QTest::newRow("point") << "btnSpeck"
                               << "." << 110;
        QTest::newRow("backspace") << "btnDel" << QStringLiteral("退格") << 8;
    }
    void keypadKeysCarryTheirCodesAndNeverTakeTheFocus()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, tag);
        CodeDialog dialog(nullptr);
        auto* key = Control<QPushButton>(&dialog, qPrintable(name));
        QCOMPARE(key->text(), caption);
        QCOMPARE(key->property("Tag").toInt(), tag);
        QCOMPARE(key->focusPolicy(), Qt::NoFocus);
    }

    void keypadTypesIntoTheEditAtTheCaret()
    {
        CodeDialog dialog(nullptr);
        ShowActive(dialog);
        for (const char* key : {"btn1", "btnSpeck", "btn5", "btnDel", "btn2", "btn0"})
            Press(dialog, key);
        QCOMPARE(Entry(dialog)->text(), QStringLiteral("1.20"));
        QCOMPARE(QApplication::focusWidget(), Entry(dialog));
    }

    void emptyInputIsRefusedAndTheDialogStaysOpen()
    {
        ScopedScriptedBoxes boxes;
        CodeDialog dialog(nullptr);
        ShowActive(dialog);
        QTest::mouseClick(ConfirmButton(dialog), Qt::LeftButton);
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("请输入!")});
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.confirmed());
    }

    // The caller reads the result after exec(); the dialog is gone once the
    // deferred deletion has run.
    void confirmedInputIsKeptUnchangedAndTheDialogDestroyed()
    {
        QPointer<CodeDialog> dialog = new CodeDialog(nullptr);
        QTimer::singleShot(0, dialog, [&] {
            QTest::keyClicks(Entry(*dialog), QStringLiteral(" 0123 "));
            QTest::mouseClick(ConfirmButton(*dialog), Qt::LeftButton);
        });
        dialog->exec();
        QVERIFY(dialog);
        QVERIFY(dialog->confirmed());
        QCOMPARE(dialog->input(), QStringLiteral(" 0123 "));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog);
    }

    void closingWithTheCloseBoxReturnsNothing()
    {
        QPointer<CodeDialog> dialog = new CodeDialog(nullptr);
        QTimer::singleShot(0, dialog, [&] {
            QTest::keyClicks(Entry(*dialog), QStringLiteral("42"));
            dialog->close();
        });
        dialog->exec();
        QVERIFY(!dialog->confirmed());
        QCOMPARE(dialog->input(), QString());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog);
    }

    // Shown again before its deferred destruction, the dialog no longer
    // reports the earlier confirmation.
    void eachShowStartsUnconfirmed()
    {
        QPointer<CodeDialog> dialog = new CodeDialog(nullptr);
        dialog->show();
        Entry(*dialog)->setText(QStringLiteral("7"));
        ConfirmButton(*dialog)->click();
        QVERIFY(dialog->confirmed());
        dialog->show();
        QVERIFY(!dialog->confirmed());
        dialog->hide();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog);
    }
};

QTEST_MAIN(CodeDialogTest)
#include "code_dialog_test.moc"
