// The city-selection dialog: the table rows in order, the confirmation
// before a choice, the refusals, double-click, "退出" and reuse.

#include "scripted_message_boxes.h"
#include "protocol/gravity.h"
#include "ui/select_city_dialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

const QString kQuestion = QStringLiteral("选择使用不同区域、对称重示值有一定的影响！请确保使用区域是否正确？");

}  // namespace

class SelectCityDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void windowHasNoTitleBarButtons() {
    TfrmSelectCity dialog(nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("城市选择"));
    QCOMPARE(dialog.size(), QSize(647, 591));
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(!(flags & Qt::WindowSystemMenuHint));
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(dialog.btnOK->text(), QStringLiteral("选择"));
    QCOMPARE(dialog.btnClose->text(), QStringLiteral("退出"));
    QCOMPARE(dialog.btnOK->size(), QSize(75, 37));
    QCOMPARE(dialog.lvCityList->viewMode(), QListView::IconMode);
    QCOMPARE(dialog.lvCityList->selectionMode(), QAbstractItemView::SingleSelection);
  }

  void listsEveryTableRowInTableOrder() {
    TfrmSelectCity dialog(nullptr);
    dialog.SelectIndex = 5;
    dialog.show();
    QCOMPARE(dialog.SelectIndex, -1);
    QCOMPARE(dialog.lvCityList->count(), 33);
    QCOMPARE(dialog.lvCityList->item(0)->text(), QStringLiteral("广东-韶关[9.7894]"));
    QCOMPARE(dialog.lvCityList->item(8)->text(), QStringLiteral("台湾[9.79]"));
    QCOMPARE(dialog.lvCityList->item(14)->text(), QStringLiteral("江西省[9.792]"));
    QCOMPARE(dialog.lvCityList->item(32)->text(), QStringLiteral("黑龙江省[9.8066]"));
    for (int i = 0; i < 33; ++i) {
      QCOMPARE(dialog.lvCityList->item(i)->text(),
               QString::fromStdString(FormatCityAcc(CityAccList[i].cityName, CityAccList[i].iAccValue)));
      QVERIFY(!(dialog.lvCityList->item(i)->flags() & Qt::ItemIsEditable));
    }
  }

  void choosingARowAfterYesClosesWithItsIndex() {
    ScopedScriptedBoxes boxes;
    boxes.answers = {true};
    TfrmSelectCity dialog(nullptr);
    dialog.show();
    dialog.lvCityList->item(8)->setSelected(true);
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    QCOMPARE(boxes.Texts(), QStringList{kQuestion});
    QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::ConfirmYesNo);
    QCOMPARE(dialog.SelectIndex, 8);
    QVERIFY(!dialog.isVisible());
  }

  void answeringNoKeepsTheDialogOpenWithTheSelection() {
    ScopedScriptedBoxes boxes;
    boxes.answers = {false};
    TfrmSelectCity dialog(nullptr);
    dialog.show();
    dialog.lvCityList->item(3)->setSelected(true);
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    QCOMPARE(boxes.Texts(), QStringList{kQuestion});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.SelectIndex, -1);
    QVERIFY(dialog.lvCityList->item(3)->isSelected());
  }

  void nothingSelectedIsRefused() {
    ScopedScriptedBoxes boxes;
    boxes.answers = {true};
    TfrmSelectCity dialog(nullptr);
    dialog.show();
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    QCOMPARE(boxes.Texts(), (QStringList{kQuestion, QStringLiteral("请选择相应的城市!")}));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.SelectIndex, -1);
  }

  void doubleClickOnARowActsAsChoose() {
    ScopedScriptedBoxes boxes;
    boxes.answers = {true};
    TfrmSelectCity dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QListWidgetItem* item = dialog.lvCityList->item(29);
    const QPoint centre = dialog.lvCityList->visualItemRect(item).center();
    QTest::mouseClick(dialog.lvCityList->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(dialog.lvCityList->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(boxes.Texts(), QStringList{kQuestion});
    QCOMPARE(dialog.SelectIndex, 29);
    QVERIFY(!dialog.isVisible());
  }

  void exitLeavesNoChoice() {
    ScopedScriptedBoxes boxes;
    TfrmSelectCity dialog(nullptr);
    dialog.show();
    dialog.lvCityList->item(8)->setSelected(true);
    QTest::mouseClick(dialog.btnClose, Qt::LeftButton);
    QCOMPARE(boxes.Texts(), QStringList());
    QCOMPARE(dialog.SelectIndex, -1);
    QVERIFY(!dialog.isVisible());
  }

  void reuseRebuildsTheListAndForgetsTheLastChoice() {
    ScopedScriptedBoxes boxes;
    boxes.answers = {true};
    TfrmSelectCity dialog(nullptr);
    dialog.show();
    dialog.lvCityList->item(8)->setSelected(true);
    QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
    QCOMPARE(dialog.SelectIndex, 8);
    dialog.show();
    QCOMPARE(dialog.SelectIndex, -1);
    QCOMPARE(dialog.lvCityList->count(), 33);
    QVERIFY(dialog.lvCityList->selectedItems().isEmpty());
  }
};

QTEST_MAIN(SelectCityDialogTest)
#include "select_city_dialog_test.moc"
