// The calibration evidence in the window, with its real port against
// scale-sim: calibrations leave records with the operator and the test
// weight typed on the page (the operator is remembered), the last record
// becomes a certificate, the calibration log is exported as CSV with the
// dialog's values, and the trend follows a load change with the drift
// alarm band and the alarm moment.

#include <QAction>
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <chrono>

#include "../ui/own_directory.h"
#include "../ui/pdf_text.h"
#include "app_core/file_places.h"
#include "app_core/log_files.h"
#include "app_core/sys_settings.h"
#include "e2e_harness.h"
#include "scripted_message_boxes.h"
#include "session/record_file.h"
#include "session/record_location.h"
#include "ui/calibration_log_dialog.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "when_modal.h"
#include "window_controls.h"

using namespace std::chrono_literals;

namespace {

// Types `path` as the file name into the next file dialog and accepts it.
void SaveAs(const QString& path)
{
    WhenModal<QFileDialog>([path](QFileDialog* dialog) {
        Control<QLineEdit>(dialog, "fileNameEdit")->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    });
}

QString FileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The last `count` readings, as the result log has them, weigh the same: an
// "as found" made now is made of the load on the platform alone.
bool LastReadingsAlike(int count = 10)
{
    const QStringList lines = FileText(QString::fromStdString(LogDirectory() + "Result.txt"))
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (lines.size() < count)
        return false;
    QString weight;
    for (qsizetype i = lines.size() - count; i < lines.size(); ++i) {
        const qsizetype at = lines[i].indexOf(QStringLiteral("实际值："));
        const QString value = at < 0 ? QString() : lines[i].mid(at + 4).section(',', 0, 0);
        if (value.isEmpty() || (!weight.isEmpty() && value != weight))
            return false;
        weight = value;
    }
    return true;
}

template <typename T = QLineSeries> T* Series(MainWindow* window, const char* name)
{
    for (QAbstractSeries* series : Control<QChartView>(window, "chtTrend")->chart()->series())
        if (series->objectName() == QLatin1String(name))
            return qobject_cast<T*>(series);
    qFatal("no series %s", name);
}

} // namespace

class EvidenceOnSimTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { resultLogEnabled = false; }
    void cleanup()
    {
        delete window;
        window = nullptr;
        sim.reset();
        QFile::remove(QString::fromStdString(DefaultRecordFilePath()));
        QFile::remove(QString::fromStdString(SettingsFilePath()));
    }

    void calibrationsLeaveRecordsAndTheLastACertificate();
    void certificateWithoutRecordsSaysSo();
    void calibrationLogExportedAsCsv();
    void trendFollowsALoadChangeAndMarksTheAlarm();

private:
    // Opens the port on a new simulator (in a new window, unless one is open).
    void Start(const std::vector<std::string>& options)
    {
        if (!window)
            window = new MainWindow;
        window->show();
        sim = std::make_unique<e2e::SimProcess>(options);
        Control<QComboBox>(window, "cbbComm")->setEditText(QString::fromStdString(sim->PortPath()));
        Control<QComboBox>(window, "cbbRate")->setEditText(QStringLiteral("115200"));
        Control<QPushButton>(window, "btnOpen")->click();
        [&] { QVERIFY(sim->WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s)); }();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(Control<QComboBox>(window, "cbbMaxRange")->currentIndex() >= 0,
                                     5000);
        }();
    }
    void Set(const std::string& line)
    {
        QCOMPARE(QString::fromStdString(sim->Command(line)), QStringLiteral("ok"));
    }

    MainWindow* window = nullptr;
    std::unique_ptr<e2e::SimProcess> sim;
};

// Two calibrations from the page: the records name the operator and the
// test weight as typed; the operator's name is kept in the settings file
// beside the other keys, which stay as they were; the certificate of the
// last record is saved where the operator chooses.
void EvidenceOnSimTest::calibrationsLeaveRecordsAndTheLastACertificate()
{
    const QByteArray settings =
        "[CommSet]\r\nCommNo=COM3\r\nBaudRate=9600\r\n[SysSet]\r\nShopNO=17\r\n";
    {
        QFile file(QString::fromStdString(SettingsFilePath()));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(settings);
    }
    ScopedScriptedBoxes boxes;
    window = new MainWindow;
    auto* operatorName = Control<QLineEdit>(window, "edtOperator");
    operatorName->setFocus();
    operatorName->setText(QStringLiteral("李工"));
    QTest::keyClick(operatorName, Qt::Key_Return);
    QCOMPARE(FileText(QString::fromStdString(SettingsFilePath())),
             QString::fromUtf8(settings) + QStringLiteral("[Calibration]\r\nOperator=李工\r\n"));

    // The result log shows when the readings of a load have come.
    resultLogEnabled = true;
    const auto logOff = qScopeGuard([] { resultLogEnabled = false; });
    Start({"--switch", "open", "--load", "0.5", "--rate", "20"});

    // Readings for "as found": the load on show, ten readings of it.
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("0.500"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(LastReadingsAlike(), 10000);
    Control<QLineEdit>(window, "edtWeightId")->setText(QStringLiteral("M1-7"));
    Control<QPushButton>(window, "btnZeroSet")->click();
    Set("load 10.5");
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("10.000"), 10000); // above the new zero
    QTRY_VERIFY_WITH_TIMEOUT(LastReadingsAlike(), 10000);
    Control<QLineEdit>(window, "edtAny")->setText(QStringLiteral("12"));
    Control<QPushButton>(window, "btnAnySet")->click();
    QCOMPARE(boxes.Texts(),
             (QStringList{QStringLiteral("零点标定成功！"), QStringLiteral("任意点标定成功！")}));

    const std::vector<std::string> lines = ReadRecordLines(DefaultRecordFilePath());
    QCOMPARE(lines.size(), size_t{2});
    const CalibrationRecord zero = ParseRecordLine(lines[0]);
    const CalibrationRecord weight = ParseRecordLine(lines[1]);
    QCOMPARE(zero.kind, CalibrationKind::Zero);
    QCOMPARE(weight.kind, CalibrationKind::Weight);
    QCOMPARE(weight.weightKg, 12);
    for (const CalibrationRecord& record : {zero, weight}) {
        QCOMPARE(QString::fromStdString(record.operatorName), QStringLiteral("李工"));
        QCOMPARE(QString::fromStdString(record.testWeightId), QStringLiteral("M1-7"));
    }
    QVERIFY(CheckRecordFile(DefaultRecordFilePath()).intact());

    // A new window shows the remembered operator.
    MainWindow again;
    QCOMPARE(Control<QLineEdit>(&again, "edtOperator")->text(), QStringLiteral("李工"));

    const QString pdf = QDir(OwnDirectory()).filePath(QStringLiteral("certificate.pdf"));
    SaveAs(pdf);
    Control<QAction>(window, "actCertificateSave")->trigger();
    const QString text = PdfText(pdf);
    for (const QString& expected :
         {QStringLiteral("标定证书"), QStringLiteral("标定记录第2条"), QStringLiteral("M1-7"),
          QStringLiteral("李工"), QStringLiteral("12 kg"), QStringLiteral("10.0000"),
          QStringLiteral("12.0000"), QString::fromStdString(weight.hash)})
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" in ") + text));
    QCOMPARE(boxes.Texts().size(), 3);
    QCOMPARE(boxes.Texts().last(), QStringLiteral("已保存到 ") + pdf);
}

void EvidenceOnSimTest::certificateWithoutRecordsSaysSo()
{
    ScopedScriptedBoxes boxes;
    window = new MainWindow;
    window->show();
    Control<QAction>(window, "actCertificatePrint")->trigger();
    QCOMPARE(boxes.Texts(),
             QStringList{QStringLiteral("没有标定记录：") +
                         QString::fromStdString(DefaultRecordFilePath()) + QStringLiteral(".")});
    QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::Error);
}

// The 32 records of the controller, exported from the dialog: the BOM, the
// captions and the rows as the dialog shows them, read by Python's CSV
// reader.
void EvidenceOnSimTest::calibrationLogExportedAsCsv()
{
    ScopedScriptedBoxes boxes;
    Start({"--records", "32", "--rate", "0"});
    const QString csv = QDir(OwnDirectory()).filePath(QStringLiteral("log.csv"));
    QList<QStringList> shown;
    WhenModal<CalibrationLogDialog>([&](CalibrationLogDialog* dialog) {
        const auto* list = Control<QTreeWidget>(dialog, "lvSetLog");
        QStringList captions;
        for (int c = 0; c < 6; ++c)
            captions << list->headerItem()->text(c);
        shown << captions;
        for (int r = 0; r < list->topLevelItemCount(); ++r) {
            QStringList row;
            for (int c = 0; c < 6; ++c)
                row << list->topLevelItem(r)->text(c);
            shown << row;
        }
        SaveAs(csv);
        Control<QPushButton>(dialog, "btnExportLog")->click();
        Control<QPushButton>(dialog, "btnExit")->click();
    });
    Control<QPushButton>(window, "btnSetLog")->click();
    QCOMPARE(shown.size(), 33);
    QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("已导出到 ") + csv});

    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(3) == QByteArray("\xEF\xBB\xBF"));
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                                 "    print(json.dumps(list(csv.reader(f))))"),
                  csv});
    QVERIFY(python.waitForFinished(30000));
    QCOMPARE(python.exitCode(), 0);
    const QJsonArray parsed = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    QCOMPARE(parsed.size(), 33);
    for (int r = 0; r < parsed.size(); ++r) {
        QStringList row;
        for (const QJsonValue& field : parsed[r].toArray())
            row << field.toString();
        QCOMPARE(row, shown[r]);
    }
    QCOMPARE(shown[0], (QStringList{QStringLiteral("序号"), QStringLiteral("时间"),
                                    QStringLiteral("0点标定AD"), QStringLiteral("任一点标定AD"),
                                    QStringLiteral("标定重量(kg)"), QStringLiteral("类型")}));
    QCOMPARE(shown[32][0], QStringLiteral("32"));
}

// The weighing page's trend, one minute wide: the weight and the live AD
// go from 2 kg to 7 kg with the simulator's load; sampling draws the alarm
// band around the base AD, and the alarm the load change raises is marked
// at its moment.
void EvidenceOnSimTest::trendFollowsALoadChangeAndMarksTheAlarm()
{
    ScopedScriptedBoxes boxes;
    Start({"--load", "2", "--rate", "50"});
    Control<QTabWidget>(window, "RzPageControl1")->setCurrentWidget(Control(window, "TabSheet5"));
    Control<QComboBox>(window, "cbbTrendSpan")->setCurrentIndex(0);
    QCOMPARE(Control<QComboBox>(window, "cbbTrendSpan")->currentText(), QStringLiteral("1分钟"));
    QLineSeries* weight = Series(window, "serTrendWeight");
    QLineSeries* ad = Series(window, "serTrendAD");
    const auto last = [](QLineSeries* series) {
        return series->count() ? series->at(series->count() - 1).y() : -1.0;
    };
    QTRY_COMPARE_WITH_TIMEOUT(last(weight), 2.0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(last(ad), 28000.0, 5000);

    auto* band = Series<QAreaSeries>(window, "serTrendAlarmBand");
    QLineSeries* alarm = Series(window, "serTrendAlarmMoment");
    QVERIFY(!band->isVisible());
    Control<QPushButton>(window, "btnStart")->click();
    QTRY_VERIFY_WITH_TIMEOUT(band->isVisible(), 5000);
    QCOMPARE(band->upperSeries()->at(0).y(), 28000 + kADDriftAlarm / kADDriftFactor);
    QCOMPARE(band->lowerSeries()->at(0).y(), 28000 - kADDriftAlarm / kADDriftFactor);
    QVERIFY(!alarm->isVisible());

    const qint64 changedAt = QDateTime::currentMSecsSinceEpoch();
    Set("load 7");
    QTRY_COMPARE_WITH_TIMEOUT(last(weight), 7.0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(last(ad), 98000.0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(alarm->isVisible(), 5000);
    // The alarm's moment, to the second, as the drift monitor shows it.
    QVERIFY(alarm->at(0).x() >= changedAt - 1000 && alarm->at(0).x() <= changedAt + 2000);
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(alarm->at(0).x()))
                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
             Control<QLineEdit>(window, "edtErrorDt")->text());
    // The weight axis and the time axis hold what is drawn.
    QVERIFY(weight->at(0).x() >= QDateTime::currentMSecsSinceEpoch() - 61000);
}

int main(int argc, char** argv)
{
    const int copy = RunInOwnDirectory(argc, argv);
    if (copy >= 0)
        return copy;
    qputenv("CUPS_SERVER", QByteArray("/nonexistent/cups.sock"));
    QApplication app(argc, argv);
    EvidenceOnSimTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "evidence_on_sim.moc"
