#pragma once
// The table of the lab's records, made on first use.

class PgConnection;

// Creates the certificate sequence and the record table when missing;
// several stations starting at once make them once.
void EnsureRecordSchema(PgConnection& connection);
