#pragma once
// The calibration certificate: one A4 page laid out from a calibration
// record — the board, the places and gravities before and after, the test
// weight, the as-found and as-left readings with their deviation in
// divisions, the controller's log record, the operator, the dates and the
// record's hash.

#include <QDateTime>
#include <QString>

#include <memory>

#include "session/calibration_record.h"

class QTextDocument;

// number: the record's line in the record file, from 1.
std::unique_ptr<QTextDocument> CertificateDocument(const CalibrationRecord& record, int number,
                                                   const QDateTime& issuedAt);

// Writes the certificate as a PDF file (A4); false when the file cannot be
// written.
bool WriteCertificatePdf(const CalibrationRecord& record, int number, const QString& path);
