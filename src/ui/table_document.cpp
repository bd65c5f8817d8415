#include "ui/table_document.h"

#include <QTextDocument>

#include "ui/document_printing.h"

std::unique_ptr<QTextDocument> TableDocument(const QString& title, const QStringList& captions,
                                             const QList<QStringList>& rows,
                                             const QDateTime& printedAt)
{
    QString html =
        QStringLiteral("<html><body><h2 align=\"center\">%1</h2><p>打印时间：%2</p>")
            .arg(title.toHtmlEscaped(), printedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    html += QStringLiteral(
        "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>");
    for (const QString& caption : captions)
        html += QStringLiteral("<th>") + caption.toHtmlEscaped() + QStringLiteral("</th>");
    html += QStringLiteral("</tr>");
    for (const QStringList& row : rows) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row)
            html += QStringLiteral("<td align=\"center\">") + cell.toHtmlEscaped() +
                    QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table></body></html>");

    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(DocumentFont(10));
    document->setDefaultStyleSheet(QStringLiteral("th { background-color: #e8e8e8; }"));
    document->setDocumentMargin(0);
    document->setHtml(html);
    return document;
}
