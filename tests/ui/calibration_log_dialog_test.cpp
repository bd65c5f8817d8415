// The calibration-log dialog: its columns, rows built from the list each
// time it is shown (records only, not unused slots; the type in words), the
// count of records, and "关闭".

#include <QHeaderView>
#include <QLabel>
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
        CalibrationLogRecord unused;
        unused.empty = true;
        CalibrationLogRecords records = {
            {7, "2024-03-05 08:09:10", -12, 845123, 150, 2},
            unused,
            {1, "2024-03-04 08:00:00", 500000, 0, 0, 1},
            {3, "-1", 0, 0, 65535, 255},
            unused,
        };
        CalibrationLogDialog dialog(nullptr, records);
        QCOMPARE(Records(dialog)->topLevelItemCount(), 0);
        dialog.show();
        const QList<QStringList> expected = {
            {"7", "2024-03-05 08:09:10", "-12", "845123", "150", QStringLiteral("任一点")},
            {"1", "2024-03-04 08:00:00", "500000", "0", "0", QStringLiteral("零点")},
            {"3", "-1", "0", "0", "65535", "255"}, // a code of no known type, as it came
        };
        QCOMPARE(Records(dialog)->topLevelItemCount(), expected.size());
        for (int r = 0; r < expected.size(); ++r)
            for (int c = 0; c < 6; ++c)
                QCOMPARE(Records(dialog)->topLevelItem(r)->text(c), expected[r][c]);
        QCOMPARE(Control<QLabel>(&dialog, "lblRecordCount")->text(), QStringLiteral("共 3 条记录"));
        QCOMPARE(Qt::Alignment(Records(dialog)->topLevelItem(0)->textAlignment(1)) &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);

        QTest::mouseClick(Control<QPushButton>(&dialog, "btnExit"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        records.clear();
        dialog.show();
        QCOMPARE(Records(dialog)->topLevelItemCount(), 0);
        QCOMPARE(Control<QLabel>(&dialog, "lblRecordCount")->text(), QStringLiteral("共 0 条记录"));
    }
};

QTEST_MAIN(CalibrationLogDialogTest)
#include "calibration_log_dialog_test.moc"
