// The trend's history: readings averaged per slice, slices merged into the
// points of a span on fixed multiples of the point's time (so points do not
// move as time goes on), and slices older than the kept time dropped.

#include <QTest>

#include "ui/trend_history.h"

class TrendHistoryTest : public QObject {
    Q_OBJECT

private slots:
    void pointsAverageTheirReadings_data()
    {
        QTest::addColumn<qint64>("since");
        QTest::addColumn<qint64>("pointMs");
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<double>>("weights");
        // Readings every 100 ms from 1000 ms: 1, 2, ... 12 kg, AD 10 x kg; the
        // slices of 200 ms hold two each.
        QTest::newRow("one point a slice")
            << qint64{0} << qint64{200} << QList<qint64>{1000, 1200, 1400, 1600, 1800, 2000}
            << QList<double>{1.5, 3.5, 5.5, 7.5, 9.5, 11.5};
        QTest::newRow("points of a second")
            << qint64{0} << qint64{1000} << QList<qint64>{1000, 2000} << QList<double>{5.5, 11.5};
        QTest::newRow("since inside the first point")
            << qint64{1500} << qint64{1000} << QList<qint64>{1000, 2000}
            << QList<double>{8.5, 11.5};
        QTest::newRow("finer than a slice")
            << qint64{2000} << qint64{50} << QList<qint64>{2000} << QList<double>{11.5};
    }
    void pointsAverageTheirReadings()
    {
        QFETCH(qint64, since);
        QFETCH(qint64, pointMs);
        QFETCH(QList<qint64>, times);
        QFETCH(QList<double>, weights);
        TrendHistory history(200, 60000);
        for (int i = 0; i < 12; ++i)
            history.add(1000 + 100 * i, i + 1, 10 * (i + 1));
        const std::vector<TrendPoint> points = history.points(since, pointMs);
        QCOMPARE(static_cast<qsizetype>(points.size()), times.size());
        for (qsizetype i = 0; i < times.size(); ++i) {
            QCOMPARE(points[static_cast<size_t>(i)].atMs, times[i]);
            QCOMPARE(points[static_cast<size_t>(i)].weightKg, weights[i]);
            QCOMPARE(points[static_cast<size_t>(i)].ad, 10 * weights[i]);
        }
    }

    // A point's place and value stay as later readings arrive in later points.
    void pointsStayWhereTheyAre()
    {
        TrendHistory history(200, 60000);
        for (int i = 0; i < 30; ++i)
            history.add(1000 + 100 * i, 2.0, 0);
        const std::vector<TrendPoint> before = history.points(0, 1000);
        for (int i = 30; i < 60; ++i)
            history.add(1000 + 100 * i, 7.0, 0);
        const std::vector<TrendPoint> after = history.points(0, 1000);
        QCOMPARE(before.size(), size_t{3});
        QCOMPARE(after.size(), size_t{6});
        for (size_t i = 0; i < before.size(); ++i) {
            QCOMPARE(after[i].atMs, before[i].atMs);
            QCOMPARE(after[i].weightKg, before[i].weightKg);
        }
        QCOMPARE(after.back().weightKg, 7.0);
    }

    void oldSlicesAreDropped()
    {
        TrendHistory history(200, 1000);
        for (int i = 0; i < 50; ++i)
            history.add(100 * i, i, 0);
        const std::vector<TrendPoint> points = history.points(0, 200);
        QVERIFY(points.front().atMs >= 4900 - 1000 - 200);
        QCOMPARE(points.back().atMs, qint64{4800});
        QCOMPARE(history.slicesBegun(), uint64_t{25});
    }
};

QTEST_MAIN(TrendHistoryTest)
#include "trend_history_test.moc"
