// The receipt through a real print path: a print server whose default
// printer writes PDF files (started by cups_pdf_printer.sh). The PDF that
// comes out must carry the five receipt lines in order.

#include "app/message_boxes.h"
#include "ui/main_window.h"
#include "ui/receipt_printing.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QProcess>
#include <QTest>

namespace {

QString PdfText(const QString& path) {
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0) return QString();
  // Compatibility normalisation folds the Kangxi radicals that CJK fonts map
  // some glyphs to (U+2F6A for 皮) into the ideographs, and full-width colons
  // into plain ones; the expected lines are normalised the same way.
  return QString::fromUtf8(pdftotext.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

// True when text holds the lines, one after the other.
bool HasLinesInOrder(const QString& text, const QStringList& lines) {
  qsizetype at = 0;
  for (const QString& line : lines) {
    const QString wanted = line.trimmed().normalized(QString::NormalizationForm_KC);
    if (wanted.isEmpty()) continue;
    const qsizetype found = text.indexOf(wanted, at);
    if (found < 0) return false;
    at = found + wanted.size();
  }
  return true;
}

}  // namespace

class ReceiptCupsPrint : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    outDir = qEnvironmentVariable("RECEIPT_PDF_DIR");
    QVERIFY2(!outDir.isEmpty() && QDir(outDir).exists(), "RECEIPT_PDF_DIR: the printer's output directory");
    for (const QString& pdf : QDir(outDir).entryList({QStringLiteral("*.pdf")}, QDir::Files))
      QDir(outDir).remove(pdf);
  }

  void receiptArrivesAsPdfFromTheDefaultPrinter() {
    ScopedScriptedBoxes boxes;
    const QStringList lines = ReceiptLines(QStringLiteral("1.250"), QStringLiteral("0.000"));
    PrintLines(lines);
    QCOMPARE(boxes.Texts(), QStringList());
    const QString text = PrintedText();
    QVERIFY2(HasLinesInOrder(text, lines.mid(0, 5)), qPrintable(text));
  }

  // The print button before any tare or measurement.
  void printButtonPrintsTheWindowsReceipt() {
    ScopedScriptedBoxes boxes;
    TfrmMain window;
    window.show();
    window.SetConnState(1);
    window.btnPrinte->click();
    QVERIFY(window.btnPrinte->isEnabled());
    QCOMPARE(boxes.Texts(), QStringList());
    const QString text = PrintedText();
    QVERIFY2(HasLinesInOrder(text, {QStringLiteral("称量结果"), QStringLiteral("皮重：-"),
                                    QStringLiteral("重量：0.000"), QStringLiteral("日期："),
                                    QStringLiteral("时间：")}),
             qPrintable(text));
  }

 private:
  // The text of the one PDF the printer writes. The job goes through the
  // server's filters and the PDF backend; the PDF is there once it reads back.
  QString PrintedText() {
    const auto pdfText = [&] {
      const QStringList pdfs = QDir(outDir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
      return pdfs.size() == 1 ? PdfText(QDir(outDir).filePath(pdfs.front())) : QString();
    };
    QString text;
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!(text = pdfText()).isEmpty(), 60000); }();
    return text;
  }

  QString outDir;
};

QTEST_MAIN(ReceiptCupsPrint)
#include "receipt_cups_print.moc"
