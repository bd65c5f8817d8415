// The calibration-log dialog: its columns, rows built from the list each
// time it is shown, and "关闭".

#include "ui/set_log_dialog.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

class SetLogDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void columnsHaveTheirCaptionsWidthsAndAlignment() {
    TSetLogList records;
    TfrmSetLog dialog(nullptr, records);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("标定记录"));
    QCOMPARE(dialog.size(), QSize(582, 424));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(dialog.btnExit->text(), QStringLiteral("关闭"));
    QCOMPARE(dialog.btnExit->size(), QSize(97, 39));
    const QStringList captions = {QStringLiteral("序号"),         QStringLiteral("时间"),
                                  QStringLiteral("0点标定AD"),    QStringLiteral("任一点标定AD"),
                                  QStringLiteral("标定重量(kg)"), QStringLiteral("类型")};
    const int widths[6] = {40, 120, 80, 100, 100, 60};
    QCOMPARE(dialog.lvSetLog->columnCount(), 6);
    for (int i = 0; i < 6; ++i) {
      QCOMPARE(dialog.lvSetLog->headerItem()->text(i), captions[i]);
      QCOMPARE(dialog.lvSetLog->columnWidth(i), widths[i]);
      const Qt::Alignment horizontal = i == 0 ? Qt::AlignLeft : Qt::AlignHCenter;
      QCOMPARE(Qt::Alignment(dialog.lvSetLog->headerItem()->textAlignment(i)) & Qt::AlignHorizontal_Mask,
               horizontal);
    }
  }

  void rowsFollowTheListInOrderEachTimeItIsShown() {
    TSetLogList records = {
        {7, "2024-03-05 08:09:10", -12, 845123, 150, 2},
        {1, "-1", 0, 0, 65535, 255},
    };
    TfrmSetLog dialog(nullptr, records);
    dialog.show();
    QCOMPARE(dialog.lvSetLog->topLevelItemCount(), 2);
    const QStringList first = {"7", "2024-03-05 08:09:10", "-12", "845123", "150", "2"};
    const QStringList second = {"1", "-1", "0", "0", "65535", "255"};
    for (int c = 0; c < 6; ++c) {
      QCOMPARE(dialog.lvSetLog->topLevelItem(0)->text(c), first[c]);
      QCOMPARE(dialog.lvSetLog->topLevelItem(1)->text(c), second[c]);
    }
    QCOMPARE(Qt::Alignment(dialog.lvSetLog->topLevelItem(0)->textAlignment(1)) & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);

    QTest::mouseClick(dialog.btnExit, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    records.clear();
    dialog.show();
    QCOMPARE(dialog.lvSetLog->topLevelItemCount(), 0);
  }
};

QTEST_MAIN(SetLogDialogTest)
#include "set_log_dialog_test.moc"
