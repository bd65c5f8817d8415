// The receipt lines, the print job written to a PDF file, an output failure
// and a machine without any printer.

#include "app/message_boxes.h"
#include "ui/receipt_printing.h"

#include <QDate>
#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

namespace {

QString PdfText(const QString& path) {
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  if (!pdftotext.waitForFinished(30000)) return QStringLiteral("<pdftotext did not finish>");
  // The CJK fonts map some glyphs back to their Kangxi-radical code points
  // (U+2F6A for 皮); compatibility normalisation folds them into the ideographs
  // (and full-width colons into plain ones, so compare normalised text).
  return QString::fromUtf8(pdftotext.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

}  // namespace

class ReceiptPrintingTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // No print server reachable: this machine has no printer at all.
    qputenv("CUPS_SERVER", QByteArray("/nonexistent/cups.sock"));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
  }

  void receiptHasSixLinesInOrder() {
    const QString before = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QStringList lines = ReceiptLines(QStringLiteral("-"), QStringLiteral("1.250"));
    const QString after = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QStringLiteral("      称量结果"));
    QCOMPARE(lines[1], QStringLiteral("皮重：-"));
    QCOMPARE(lines[2], QStringLiteral("重量：1.250"));
    QVERIFY2(lines[3] == QStringLiteral("日期：") + before || lines[3] == QStringLiteral("日期：") + after,
             qPrintable(lines[3]));
    QVERIFY2(QRegularExpression(QStringLiteral("^时间：([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d$")).match(lines[4]).hasMatch(),
             qPrintable(lines[4]));
    QCOMPARE(lines[5], QString());
  }

  void jobWritesTheLinesTopDownInChineseText() {
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
    int at = 0;
    for (int i = 0; i < 5; ++i) {
      const QString wanted = lines[i].trimmed().normalized(QString::NormalizationForm_KC);
      const int found = text.indexOf(wanted, at);
      QVERIFY2(found >= 0, qPrintable(QStringLiteral("line %1 \"%2\" not in order in:\n%3").arg(i + 1).arg(wanted, text)));
      at = found + wanted.size();
    }
  }

  void outputFailureIsShownAndPrintingReturns() {
    ScopedScriptedBoxes boxes;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/nonexistent-directory/receipt.pdf"));
    PrintLinesOn(printer, ReceiptLines(QStringLiteral("-"), QStringLiteral("0.000")));
    QCOMPARE(boxes.Texts(), QStringList{kPrintFailedText});
    QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::Error);
  }

  void noPrinterIsAFailureForTheCaller() {
    ScopedScriptedBoxes boxes;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             PrintLines(ReceiptLines(QStringLiteral("-"), QStringLiteral("0.000"))));
    QCOMPARE(boxes.Texts(), QStringList());
  }
};

QTEST_MAIN(ReceiptPrintingTest)
#include "receipt_printing_test.moc"
