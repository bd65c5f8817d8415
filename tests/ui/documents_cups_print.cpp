// The calibration-log table and the certificate through the receipt's print
// path: a print server whose default printer writes PDF files (started by
// cups_pdf_printer.sh). What comes out must carry the table's rows and the
// certificate's record.

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "pdf_text.h"
#include "scripted_message_boxes.h"
#include "session/record_file.h"
#include "session/record_location.h"
#include "ui/calibration_log_dialog.h"
#include "ui/main_window.h"
#include "window_controls.h"

class DocumentsCupsPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    }
    void init()
    {
        outDir = qEnvironmentVariable("RECEIPT_PDF_DIR");
        QVERIFY2(!outDir.isEmpty() && QDir(outDir).exists(),
                 "RECEIPT_PDF_DIR: the printer's output directory");
        for (const QString& pdf : QDir(outDir).entryList({QStringLiteral("*.pdf")}, QDir::Files))
            QDir(outDir).remove(pdf);
    }

    void calibrationLogTableFromTheDialog()
    {
        ScopedScriptedBoxes boxes;
        CalibrationLogRecords records;
        for (uint8_t i = 1; i <= 32; ++i)
            records.push_back(
                {i, "2026-03-06 09:12:" + std::to_string(10 + i), 499975 + i, 639971 + i, 10, 1});
        CalibrationLogDialog dialog(nullptr, records);
        dialog.show();
        Control<QPushButton>(&dialog, "btnPrintLog")->click();
        QCOMPARE(boxes.Texts(), QStringList());
        const QString text = PrintedPdfText(outDir);
        QVERIFY2(HasLinesInOrder(text, {QStringLiteral("标定记录"), QStringLiteral("0点标定AD"),
                                        QStringLiteral("标定重量(kg)"),
                                        QStringLiteral("2026-03-06 09:12:11"),
                                        QStringLiteral("499976"), QStringLiteral("640003")}),
                 qPrintable(text));
    }

    void certificateFromTheCalibrationPage()
    {
        ScopedScriptedBoxes boxes;
        CalibrationRecord record;
        record.time = "2026-12-10 10:00:00";
        record.kind = CalibrationKind::Weight;
        record.weightKg = 15;
        record.testWeightId = "F1-15-003";
        record.before = record.after = ParameterReport{0, 30, 97883, 97883};
        record.asFound = ReadingSummary{10, 14.98, 0.004, 0.01, 0};
        record.asLeft = ReadingSummary{10, 15.0, 0.0, 0.01, 0};
        const CalibrationRecord written = AppendRecord(DefaultRecordFilePath(), record);
        MainWindow window;
        window.show();
        Control<QAction>(&window, "actCertificatePrint")->trigger();
        QCOMPARE(boxes.Texts(), QStringList());
        const QString text = PrintedPdfText(outDir);
        for (const QString& expected :
             {QStringLiteral("标定证书"), QStringLiteral("F1-15-003"),
              QStringLiteral("广东[9.7883]"), QStringLiteral("14.9800"), QStringLiteral("-2.0"),
              QString::fromStdString(written.hash)})
            QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" in ") + text));
    }

private:
    QTemporaryDir dataHome;
    QString outDir;
};

QTEST_MAIN(DocumentsCupsPrint)
#include "documents_cups_print.moc"
