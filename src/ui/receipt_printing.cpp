#include "ui/receipt_printing.h"

#include "app/message_boxes.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <stdexcept>

QStringList ReceiptLines(const QString& tareText, const QString& weightText)
{
    QStringList lines;
    lines << QCoreApplication::translate("ReceiptPrinting", "      称量结果");
    lines << QCoreApplication::translate("ReceiptPrinting", "皮重：") + tareText;
    lines << QCoreApplication::translate("ReceiptPrinting", "重量：") + weightText;
    lines << QCoreApplication::translate("ReceiptPrinting", "日期：") +
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd"));
    lines << QCoreApplication::translate("ReceiptPrinting", "时间：") +
                 QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
    lines << QString();
    return lines;
}

std::unique_ptr<QPrinter> DefaultPrinter(const QString& jobName)
{
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull())
        throw std::runtime_error(kNoDefaultPrinterText);
    auto printer = std::make_unique<QPrinter>(defaultPrinter, QPrinter::HighResolution);
    printer->setDocName(jobName);
    return printer;
}

void PrintLines(const QStringList& lines)
{
    const std::unique_ptr<QPrinter> printer =
        DefaultPrinter(QCoreApplication::translate("ReceiptPrinting", "称量结果"));
    PrintLinesOn(*printer, lines);
}

void PrintLinesOn(QPrinter& printer, const QStringList& lines)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        Boxes().Error(QCoreApplication::translate("ReceiptPrinting", kPrintFailedSource));
        return;
    }
    // "宋体" where installed; fontconfig substitutes another Chinese face elsewhere.
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(12);
    painter.setFont(font);
    const QFontMetrics metrics(painter.font(), painter.device());
    int baseline = metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(0, baseline, line);
        baseline += metrics.lineSpacing();
    }
    // Closing the job sends the page; a job that cannot be finished is an
    // output failure too.
    if (!painter.end())
        Boxes().Error(QCoreApplication::translate("ReceiptPrinting", kPrintFailedSource));
}
