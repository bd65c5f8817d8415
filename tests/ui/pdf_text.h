#pragma once
// Reading a printed receipt back from its PDF file.

#include <QProcess>
#include <QString>
#include <QStringList>

// The text of a PDF (pdftotext); empty while the file is incomplete.
// Compatibility normalisation folds the Kangxi radicals that CJK fonts map
// some glyphs to (U+2F6A for 皮) into the ideographs, and full-width colons
// into plain ones; HasLinesInOrder normalises the expected lines the same way.
inline QString PdfText(const QString& path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitCode() != 0)
        return QString();
    return QString::fromUtf8(pdftotext.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC);
}

// True when text holds the (non-empty) lines, one after the other.
inline bool HasLinesInOrder(const QString& text, const QStringList& lines)
{
    qsizetype at = 0;
    for (const QString& line : lines) {
        const QString wanted = line.trimmed().normalized(QString::NormalizationForm_KC);
        if (wanted.isEmpty())
            continue;
        const qsizetype found = text.indexOf(wanted, at);
        if (found < 0)
            return false;
        at = found + wanted.size();
    }
    return true;
}
