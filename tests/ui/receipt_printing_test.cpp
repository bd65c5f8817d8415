// The receipt lines, the print job written to a PDF file, an output failure
// and a machine without any printer.

#include "pdf_text.h"
#include "scripted_message_boxes.h"
#include "ui/receipt_printing.h"

#include <QDate>
#include <QDir>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

class ReceiptPrintingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No print server reachable: this machine has no printer at all.
        qputenv("CUPS_SERVER", QByteArray("/nonexistent/cups.sock"));
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
    }

    void receiptHasSixLinesInOrder()
    {
        const QString before = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        const QStringList lines = ReceiptLines(QStringLiteral("-"), QStringLiteral("1.250"));
        const QString after = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QStringLiteral("      称量结果"));
        QCOMPARE(lines[1], QStringLiteral("皮重：-"));
        QCOMPARE(lines[2], QStringLiteral("重量：1.250"));
        QVERIFY2(lines[3] == QStringLiteral("日期：") + before ||
                     lines[3] == QStringLiteral("日期：") + after,
                 qPrintable(lines[3]));
        QVERIFY2(QRegularExpression(QStringLiteral("^时间：([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d$"))
                     .match(lines[4])
                     .hasMatch(),
                 qPrintable(lines[4]));
        QCOMPARE(lines[5], QString());
    }

    void jobWritesTheLinesTopDownInChineseText()
    {
        ScopedScriptedBoxes boxes;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("receipt.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        const QStringList lines = ReceiptLines(QStringLiteral("0.500"), QStringLiteral("2.000"));
        PrintLinesOn(printer, lines);
        QCOMPARE(boxes.Texts(), QStringList());
        const QString text = PdfText(pdf);
        QVERIFY2(HasLinesInOrder(text, lines.mid(0, 5)), qPrintable(text));
    }

    void outputFailureIsShownAndPrintingReturns()
    {
        ScopedScriptedBoxes boxes;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("/nonexistent-directory/receipt.pdf"));
        PrintLinesOn(printer, ReceiptLines(QStringLiteral("-"), QStringLiteral("0.000")));
        QCOMPARE(boxes.Texts(), QStringList{kPrintFailedText});
        QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::Error);
    }

    void noPrinterIsAFailureForTheCaller()
    {
        ScopedScriptedBoxes boxes;
        QVERIFY_THROWS_EXCEPTION(
            std::runtime_error,
            PrintLines(ReceiptLines(QStringLiteral("-"), QStringLiteral("0.000"))));
        QCOMPARE(boxes.Texts(), QStringList());
    }
};

QTEST_MAIN(ReceiptPrintingTest)
#include "receipt_printing_test.moc"
