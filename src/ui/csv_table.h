#pragma once
// A table as a CSV file for spreadsheets: UTF-8 with a byte-order mark (so
// that spreadsheet programs on Windows read the Chinese captions), CRLF
// line ends, and fields quoted where they hold a comma, a quote or a line
// break.

#include <QByteArray>
#include <QList>
#include <QStringList>

QByteArray CsvWithBom(const QStringList& captions, const QList<QStringList>& rows);
