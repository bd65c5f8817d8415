// The calibration-log dialog: its columns, rows built from the list each
// time it is shown, and "关闭".

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "ui/calibration_log_dialog.h"
#include "window_controls.h"

namespace {

QTreeWidget* Records(const CalibrationLogDialog& dialog)
{
    return Control<QTreeWidget>(&dialog, "lvSetLog");
}

} // namespace

class CalibrationLogDialogTest : public QObject {
    Q_OBJECT

private slots:
    void columnsHaveTheirCaptionsWidthsAndAlignment()
    {
        CalibrationLogRecords records;
        CalibrationLogDialog dialog(nullptr, records);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("标定记录"));
        QCOMPARE(dialog.size(), QSize(582, 424));
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        auto* closeButton = Control<QPushButton>(&dialog, "btnExit");
        QCOMPARE(closeButton->text(), QStringLiteral("关闭"));
        QCOMPARE(closeButton->size(), QSize(97, 39));
        // At the right end of the panel below the list.
        QVERIFY(dialog.width() - closeButton->mapTo(&dialog, QPoint(closeButton->width(), 0)).x() <=
                6);
        QVERIFY(Records(dialog)->geometry().bottom() <
                Control(&dialog, "pnlBottom")->geometry().top());
        const QStringList captions = {
            QStringLiteral("序号"),         QStringLiteral("时间"),
            QStringLiteral("0点标定AD"),    QStringLiteral("任一点标定AD"),
            QStringLiteral("标定重量(kg)"), QStringLiteral("类型")};
        // Widths the columns never go below; they widen to fit their contents.
        const int widths[6] = {40, 120, 80, 100, 100, 60};
        QCOMPARE(Records(dialog)->columnCount(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(Records(dialog)->headerItem()->text(i), captions[i]);
            QVERIFY2(Records(dialog)->columnWidth(i) >= widths[i], qPrintable(captions[i]));
            const Qt::Alignment horizontal = i == 0 ? Qt::AlignLeft : Qt::AlignHCenter;
            QCOMPARE(Qt::Alignment(Records(dialog)->headerItem()->textAlignment(i)) &
                         Qt::AlignHorizontal_Mask,
                     horizontal);
        }
    }

    void rowsFollowTheListInOrderEachTimeItIsShown()
    {
        CalibrationLogRecords records = {
            {7, "2024-03-05 08:09:10", -12, 845123, 150, 2},
            {1, "-1", 0, 0, 65535, 255},
        };
        CalibrationLogDialog dialog(nullptr, records);
        QCOMPARE(Records(dialog)->topLevelItemCount(), 0);
        dialog.show();
        QCOMPARE(Records(dialog)->topLevelItemCount(), 2);
        const QStringList first = {"7", "2024-03-05 08:09:10", "-12", "845123", "150", "2"};
        const QStringList second = {"1", "-1", "0", "0", "65535", "255"};
        for (int c = 0; c < 6; ++c) {
            QCOMPARE(Records(dialog)->topLevelItem(0)->text(c), first[c]);
            QCOMPARE(Records(dialog)->topLevelItem(1)->text(c), second[c]);
        }
        QCOMPARE(Qt::Alignment(Records(dialog)->topLevelItem(0)->textAlignment(1)) &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);

        QTest::mouseClick(Control<QPushButton>(&dialog, "btnExit"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        records.clear();
        dialog.show();
        QCOMPARE(Records(dialog)->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(CalibrationLogDialogTest)
#include "calibration_log_dialog_test.moc"
