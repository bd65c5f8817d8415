#include "ui/certificate_document.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include "app_core/file_io.h"
#include "protocol/gravity.h"
#include "ui/document_printing.h"

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8).toHtmlEscaped(); }

QString OrDash(const std::string& utf8) { return utf8.empty() ? QStringLiteral("—") : Text(utf8); }

QString Cell(const QString& text)
{
    return QStringLiteral("<td>") + text + QStringLiteral("</td>");
}
QString HeaderCell(const QString& text)
{
    return QStringLiteral("<th>") + text + QStringLiteral("</th>");
}

QString Row(const QStringList& cells, bool header = false)
{
    QString row = QStringLiteral("<tr>");
    for (const QString& cell : cells)
        row += header ? HeaderCell(cell) : Cell(cell);
    return row + QStringLiteral("</tr>");
}

QString Table(const QString& rows)
{
    return QStringLiteral(
               "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\">") +
           rows + QStringLiteral("</table>");
}

QString Place(int32_t gravity)
{
    return Text(FormatPlaceAndGravity(PlaceNamesForGravity(gravity), gravity));
}

QString ParameterRows(const std::optional<ParameterReport>& before,
                      const std::optional<ParameterReport>& after)
{
    const auto value = [](const std::optional<ParameterReport>& report, auto show) {
        return report ? show(*report) : QStringLiteral("未读到");
    };
    QString rows =
        Row({QStringLiteral("项目"), QStringLiteral("标定前"), QStringLiteral("标定后")}, true);
    const auto add = [&](const QString& caption, auto show) {
        rows += Row({caption, value(before, show), value(after, show)});
    };
    add(QStringLiteral("标定地[重力加速度]"),
        [](const ParameterReport& r) { return Place(r.calibrationGravity); });
    add(QStringLiteral("使用地[重力加速度]"),
        [](const ParameterReport& r) { return Place(r.useGravity); });
    add(QStringLiteral("分度值"),
        [](const ParameterReport& r) { return Text(DivisionSettingText(r.division)); });
    add(QStringLiteral("量程"),
        [](const ParameterReport& r) { return QStringLiteral("%1 kg").arg(r.rangeKg); });
    return rows;
}

QString ReadingRow(const QString& caption, const std::optional<ReadingSummary>& summary,
                   double nominalKg)
{
    if (!summary)
        return Row({caption, QStringLiteral("无读数"), QString(), QString(), QString(), QString()});
    return Row({caption, QString::number(summary->readings),
                QString::number(summary->meanKg, 'f', 4),
                QString::number(summary->standardDeviationKg, 'f', 4),
                QString::number(summary->divisionKg, 'g', 6),
                QString::number(DeviationInDivisions(*summary, nominalKg), 'f', 1)});
}

QString LogRecordTable(const std::optional<CalibrationLogRecord>& record)
{
    if (!record)
        return QStringLiteral("<p>控制器标定记录中未找到此次标定。</p>");
    return Table(
        Row({QStringLiteral("序号"), QStringLiteral("时间"), QStringLiteral("0点标定AD"),
             QStringLiteral("任一点标定AD"), QStringLiteral("标定重量(kg)"),
             QStringLiteral("类型")},
            true) +
        Row({QString::number(record->number), Text(record->time), QString::number(record->zeroAD),
             QString::number(record->referenceAD), QString::number(record->referenceWeightKg),
             QString::number(record->operationType)}));
}

QString CertificateHtml(const CalibrationRecord& record, int number, const QDateTime& issuedAt)
{
    const bool zero = record.kind == CalibrationKind::Zero;
    const double nominalKg = zero ? 0.0 : record.weightKg;
    QString html = QStringLiteral("<html><body>");
    html += QStringLiteral("<h1 align=\"center\">标定证书</h1>");
    html += QStringLiteral("<p align=\"center\">标定记录第%1条</p>").arg(number);

    html += QStringLiteral("<h3>一、标定信息</h3>");
    html += Table(Row({QStringLiteral("控制板版本"), OrDash(record.boardVersion),
                       QStringLiteral("标定时间"), Text(record.time)}) +
                  Row({QStringLiteral("标定类型"),
                       zero ? QStringLiteral("零点标定") : QStringLiteral("任一点标定"),
                       QStringLiteral("标定重量"),
                       zero ? QStringLiteral("0 kg（零点）")
                            : QStringLiteral("%1 kg").arg(record.weightKg)}) +
                  Row({QStringLiteral("砝码编号"), OrDash(record.testWeightId),
                       QStringLiteral("操作员"), OrDash(record.operatorName)}));

    html += QStringLiteral("<h3>二、标定地与重力加速度</h3>");
    html += Table(ParameterRows(record.before, record.after));

    html += QStringLiteral("<h3>三、示值（标称值 %1 kg）</h3>").arg(nominalKg);
    html += Table(Row({QStringLiteral("项目"), QStringLiteral("读数个数"),
                       QStringLiteral("平均值(kg)"), QStringLiteral("标准偏差(kg)"),
                       QStringLiteral("分度值(kg)"), QStringLiteral("偏差(分度)")},
                      true) +
                  ReadingRow(QStringLiteral("标定前示值"), record.asFound, nominalKg) +
                  ReadingRow(QStringLiteral("标定后示值"), record.asLeft, nominalKg));

    html += QStringLiteral("<h3>四、控制器标定记录</h3>");
    html += LogRecordTable(record.logRecord);

    html += QStringLiteral("<h3>五、签署</h3>");
    html += QStringLiteral("<p>操作员：%1　　签字：____________　　标定日期：%2</p>")
                .arg(OrDash(record.operatorName), Text(record.time.substr(0, 10)));
    html += QStringLiteral("<p>出具时间：%1</p>")
                .arg(issuedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    html += QStringLiteral(
                "<p>记录哈希(SHA-256)：<br/><tt>%1</tt><br/>前一记录哈希：<br/><tt>%2</tt></p>")
                .arg(Text(record.hash), Text(record.previousHash));
    html += QStringLiteral("</body></html>");
    return html;
}

} // namespace

std::unique_ptr<QTextDocument> CertificateDocument(const CalibrationRecord& record, int number,
                                                   const QDateTime& issuedAt)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(DocumentFont(10.5));
    document->setDefaultStyleSheet(
        QStringLiteral("h1 { font-size: 20pt; } h3 { font-size: 12pt; } "
                       "th { background-color: #e8e8e8; } tt { font-size: 9pt; }"));
    document->setDocumentMargin(0);
    document->setHtml(CertificateHtml(record, number, issuedAt));
    return document;
}

bool WriteCertificatePdf(const CalibrationRecord& record, int number, const QString& path)
{
    // Drawn in memory, then put in place whole and never through a link, so
    // a full disk or a FIFO under the name leaves no cut-off certificate and
    // no wait.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(20, 18, 20, 18), QPageLayout::Millimeter));
        writer.setTitle(QStringLiteral("标定证书"));
        writer.setCreator(QStringLiteral("电子称配置工具"));
        if (!PaintDocumentPages(writer,
                                *CertificateDocument(record, number, QDateTime::currentDateTime())))
            return false;
    }
    pdf.close();
    return !PlaceWholeFile(path.toStdString(), pdf.data().toStdString());
}
