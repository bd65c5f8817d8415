#pragma once
// Documents (the calibration certificate, the calibration-log table) on
// paper or in a PDF file. On the default printer they go the way the
// receipt goes: no default printer goes to the general error display, an
// output failure to the receipt's error box.

#include <QFont>
#include <QString>

class QPagedPaintDevice;
class QPrinter;
class QTextDocument;

// The face of the documents: "宋体" where it is installed; elsewhere a Latin
// face for letters and digits ahead of a Chinese one (the Chinese face's
// digits inside Latin words lose their text in a PDF: "12 kg" would read
// back as " kg").
QFont DocumentFont(qreal points);

// Lays the document out for the device's page and paints it page by page;
// false when painting could not begin or end.
bool PaintDocumentPages(QPagedPaintDevice& device, const QTextDocument& document);

// Prints the document as one job on the default printer; throws
// std::runtime_error when there is none.
void PrintDocument(const QTextDocument& document, const QString& jobName);

// The job on a given printer; shows kPrintFailedText when it cannot be
// opened or finished.
void PrintDocumentOn(QPrinter& printer, const QTextDocument& document);
