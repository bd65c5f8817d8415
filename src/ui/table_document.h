#pragma once
// A table as a document to print: its title, when it was printed, and the
// table with its captions.

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <memory>

class QTextDocument;

std::unique_ptr<QTextDocument> TableDocument(const QString& title, const QStringList& captions,
                                             const QList<QStringList>& rows,
                                             const QDateTime& printedAt);
