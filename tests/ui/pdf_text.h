#pragma once
// Reading a printed document back from its PDF file.

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

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

// The text of the one PDF the test printer writes into `outDir`. The job
// goes through the print server's filters and the PDF backend; the PDF is
// there once it reads back (waits up to 60 s; empty, and the test failed,
// when it does not).
inline QString PrintedPdfText(const QString& outDir)
{
    const auto pdfText = [&] {
        const QStringList pdfs = QDir(outDir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        return pdfs.size() == 1 ? PdfText(QDir(outDir).filePath(pdfs.front())) : QString();
    };
    QString text;
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!(text = pdfText()).isEmpty(), 60000); }();
    return text;
}
