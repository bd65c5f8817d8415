// The city dialog: the table rows in order, the confirmation before a
// choice, the refusals, double-click, "退出" and reuse.

#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "protocol/gravity.h"
#include "scripted_message_boxes.h"
#include "ui/city_dialog.h"
#include "window_controls.h"

namespace {

const QString kQuestion =
    QStringLiteral("选择使用不同区域、对称重示值有一定的影响！请确保使用区域是否正确？");

QListWidget* Cities(const CityDialog& dialog)
{
    return Control<QListWidget>(&dialog, "lvCityList");
}

void Click(const CityDialog& dialog, const char* button)
{
    QTest::mouseClick(Control<QPushButton>(&dialog, button), Qt::LeftButton);
}

} // namespace

class CityDialogTest : public QObject {
    Q_OBJECT

private slots:
    void windowHasNoTitleBarButtons()
    {
        CityDialog dialog(nullptr);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("城市选择"));
        QCOMPARE(dialog.size(), QSize(647, 591));
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(!(flags & Qt::WindowSystemMenuHint));
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMinMaxButtonsHint));
        auto* choose = Control<QPushButton>(&dialog, "btnOK");
        auto* leave = Control<QPushButton>(&dialog, "btnClose");
        QCOMPARE(choose->text(), QStringLiteral("选择"));
        QCOMPARE(leave->text(), QStringLiteral("退出"));
        for (const QPushButton* button : {choose, leave}) {
            QVERIFY(button->width() >= 75); // or as wide as the style draws buttons
            QCOMPARE(button->height(), 37);
        }
        // Side by side, centred in the panel below the list.
        const int left = choose->mapTo(&dialog, QPoint(0, 0)).x();
        const int right = leave->mapTo(&dialog, QPoint(leave->width(), 0)).x();
        QVERIFY(choose->geometry().right() < leave->geometry().left());
        QVERIFY(qAbs((left + right) / 2 - dialog.width() / 2) <= 1);
        QVERIFY(Cities(dialog)->geometry().bottom() <
                Control(&dialog, "pnlBottom")->geometry().top());
        QCOMPARE(Cities(dialog)->viewMode(), QListView::IconMode);
        QCOMPARE(Cities(dialog)->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void listsEveryTableRowInTableOrder()
    {
        CityDialog dialog(nullptr);
        dialog.show();
        QCOMPARE(dialog.chosenRow(), -1);
        QListWidget* cities = Cities(dialog);
        QCOMPARE(cities->count(), 33);
        QCOMPARE(cities->item(0)->text(), QStringLiteral("广东-韶关[9.7894]"));
        QCOMPARE(cities->item(8)->text(), QStringLiteral("台湾[9.79]"));
        QCOMPARE(cities->item(14)->text(), QStringLiteral("江西省[9.792]"));
        QCOMPARE(cities->item(32)->text(), QStringLiteral("黑龙江省[9.8066]"));
        for (int i = 0; i < 33; ++i) {
            QCOMPARE(cities->item(i)->text(),
                     QString::fromStdString(
                         FormatPlaceAndGravity(kGravityTable[i].place, kGravityTable[i].gravity)));
            QVERIFY(!(cities->item(i)->flags() & Qt::ItemIsEditable));
        }
    }

    void choosingARowAfterYesClosesWithItsIndex()
    {
        ScopedScriptedBoxes boxes;
        boxes.answers = {true};
        CityDialog dialog(nullptr);
        dialog.show();
        Cities(dialog)->item(8)->setSelected(true);
        Click(dialog, "btnOK");
        QCOMPARE(boxes.Texts(), QStringList{kQuestion});
        QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::ConfirmYesNo);
        QCOMPARE(dialog.chosenRow(), 8);
        QVERIFY(!dialog.isVisible());
    }

    void answeringNoKeepsTheDialogOpenWithTheSelection()
    {
        ScopedScriptedBoxes boxes;
        boxes.answers = {false};
        CityDialog dialog(nullptr);
        dialog.show();
        Cities(dialog)->item(3)->setSelected(true);
        Click(dialog, "btnOK");
        QCOMPARE(boxes.Texts(), QStringList{kQuestion});
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.chosenRow(), -1);
        QVERIFY(Cities(dialog)->item(3)->isSelected());
    }

    void nothingSelectedIsRefused()
    {
        ScopedScriptedBoxes boxes;
        boxes.answers = {true};
        CityDialog dialog(nullptr);
        dialog.show();
        Click(dialog, "btnOK");
        QCOMPARE(boxes.Texts(), (QStringList{kQuestion, QStringLiteral("请选择相应的城市!")}));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.chosenRow(), -1);
    }

    void doubleClickOnARowActsAsChoose()
    {
        ScopedScriptedBoxes boxes;
        boxes.answers = {true};
        CityDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QListWidget* cities = Cities(dialog);
        QListWidgetItem* item = cities->item(29);
        cities->scrollToItem(item);
        const QPoint centre = cities->visualItemRect(item).center();
        QTest::mouseClick(cities->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(cities->viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(boxes.Texts(), QStringList{kQuestion});
        QCOMPARE(dialog.chosenRow(), 29);
        QVERIFY(!dialog.isVisible());
    }

    void exitLeavesNoChoice()
    {
        ScopedScriptedBoxes boxes;
        CityDialog dialog(nullptr);
        dialog.show();
        Cities(dialog)->item(8)->setSelected(true);
        Click(dialog, "btnClose");
        QCOMPARE(boxes.Texts(), QStringList());
        QCOMPARE(dialog.chosenRow(), -1);
        QVERIFY(!dialog.isVisible());
    }

    void reuseRebuildsTheListAndForgetsTheLastChoice()
    {
        ScopedScriptedBoxes boxes;
        boxes.answers = {true};
        CityDialog dialog(nullptr);
        dialog.show();
        Cities(dialog)->item(8)->setSelected(true);
        Click(dialog, "btnOK");
        QCOMPARE(dialog.chosenRow(), 8);
        dialog.show();
        QCOMPARE(dialog.chosenRow(), -1);
        QCOMPARE(Cities(dialog)->count(), 33);
        QVERIFY(Cities(dialog)->selectedItems().isEmpty());
    }
};

QTEST_MAIN(CityDialogTest)
#include "city_dialog_test.moc"
