#include "ui/csv_table.h"

namespace {

QString Field(QString text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QByteArray Line(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields)
        quoted << Field(field);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

QByteArray CsvWithBom(const QStringList& captions, const QList<QStringList>& rows)
{
    QByteArray csv("\xEF\xBB\xBF");
    csv += Line(captions);
    for (const QStringList& row : rows)
        csv += Line(row);
    return csv;
}
