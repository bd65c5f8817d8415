#pragma once
// The weighing receipt: its six lines and their printing on the default
// printer as one plain-text job.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;

// The message shown when the print job cannot be written: in Chinese here,
// shown in the window's language.
inline constexpr const char* kPrintFailedSource =
    QT_TRANSLATE_NOOP("ReceiptPrinting", "打印失败,请确认是否正确安装打印机驱动!");
inline const QString kPrintFailedText = QString::fromUtf8(kPrintFailedSource);

// Said by the general error display (which translates it) when there is no
// default printer.
inline constexpr const char* kNoDefaultPrinterText =
    QT_TRANSLATE_NOOP("GeneralError", "当前没有选择默认打印机。");

// The six receipt lines, in the window's language: title, tare, weight,
// date, time and an empty line. The clock is read separately for the date
// and the time line.
QStringList ReceiptLines(const QString& tareText, const QString& weightText);

// A job named jobName on the default printer, at its full resolution;
// throws std::runtime_error when no default printer is set.
std::unique_ptr<QPrinter> DefaultPrinter(const QString& jobName);

// Prints the lines as one job on the default printer. An output failure is
// shown in an error box and PrintLines returns normally; having no default
// printer throws std::runtime_error (kNoDefaultPrinterText).
void PrintLines(const QStringList& lines);

// The job itself on a given printer: font "宋体" 12 pt, the lines one below
// the other from the top of the first page. Shows the output-failure box
// when the job cannot be opened or finished.
void PrintLinesOn(QPrinter& printer, const QStringList& lines);
