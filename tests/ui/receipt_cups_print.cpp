// The receipt through a real print path: a print server whose default
// printer writes PDF files (started by cups_pdf_printer.sh). The PDF that
// comes out must carry the five receipt lines in order.

#include "pdf_text.h"
#include "scripted_message_boxes.h"
#include "ui/main_window.h"
#include "ui/receipt_printing.h"
#include "window_controls.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class ReceiptCupsPrint : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        outDir = qEnvironmentVariable("RECEIPT_PDF_DIR");
        QVERIFY2(!outDir.isEmpty() && QDir(outDir).exists(),
                 "RECEIPT_PDF_DIR: the printer's output directory");
        for (const QString& pdf : QDir(outDir).entryList({QStringLiteral("*.pdf")}, QDir::Files))
            QDir(outDir).remove(pdf);
    }

    void receiptArrivesAsPdfFromTheDefaultPrinter()
    {
        ScopedScriptedBoxes boxes;
        const QStringList lines = ReceiptLines(QStringLiteral("1.250"), QStringLiteral("0.000"));
        PrintLines(lines);
        QCOMPARE(boxes.Texts(), QStringList());
        const QString text = PrintedPdfText(outDir);
        QVERIFY2(HasLinesInOrder(text, lines.mid(0, 5)), qPrintable(text));
    }

    // The print button before any tare or measurement.
    void printButtonPrintsTheWindowsReceipt()
    {
        ScopedScriptedBoxes boxes;
        MainWindow window;
        window.show();
        static_cast<SessionListener&>(window).connectionChanged(true);
        Control<QPushButton>(&window, "btnPrinte")->click();
        QVERIFY(Control<QPushButton>(&window, "btnPrinte")->isEnabled());
        QCOMPARE(boxes.Texts(), QStringList());
        const QString text = PrintedPdfText(outDir);
        QVERIFY2(HasLinesInOrder(text, {QStringLiteral("称量结果"), QStringLiteral("皮重：-"),
                                        QStringLiteral("重量：0.000"), QStringLiteral("日期："),
                                        QStringLiteral("时间：")}),
                 qPrintable(text));
    }

private:
    QString outDir;
};

QTEST_MAIN(ReceiptCupsPrint)
#include "receipt_cups_print.moc"
