#include "ui/document_printing.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <memory>

#include "app/message_boxes.h"
#include "ui/receipt_printing.h"

QFont DocumentFont(qreal points)
{
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("DejaVu Serif"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(points);
    return font;
}

bool PaintDocumentPages(QPagedPaintDevice& device, const QTextDocument& document)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // A copy laid out for the device's page, in the device's resolution.
    const std::unique_ptr<QTextDocument> pages(document.clone());
    pages->documentLayout()->setPaintDevice(&device);
    const QSizeF page = device.pageLayout().paintRectPixels(device.logicalDpiX()).size();
    pages->setPageSize(page);
    const int pageCount = pages->pageCount();
    for (int i = 0; i < pageCount; ++i) {
        if (i > 0 && !device.newPage())
            break;
        painter.save();
        painter.translate(0, -page.height() * i);
        pages->drawContents(&painter, QRectF(0, page.height() * i, page.width(), page.height()));
        painter.restore();
    }
    return painter.end();
}

void PrintDocument(const QTextDocument& document, const QString& jobName)
{
    const std::unique_ptr<QPrinter> printer = DefaultPrinter(jobName);
    PrintDocumentOn(*printer, document);
}

void PrintDocumentOn(QPrinter& printer, const QTextDocument& document)
{
    if (!PaintDocumentPages(printer, document))
        Boxes().Error(kPrintFailedText);
}
