#include "records_db/record_schema.h"

#include "records_db/pg_connection.h"

namespace {

// One row a record: its exact line, and what listing and the chain need.
constexpr const char* kSchema = R"SQL(
CREATE SEQUENCE IF NOT EXISTS calibration_certificates;
CREATE TABLE IF NOT EXISTS calibration_records (
    certificate bigint PRIMARY KEY DEFAULT nextval('calibration_certificates'),
    station text NOT NULL,
    sequence bigint NOT NULL CHECK (sequence > 0),
    hash text NOT NULL,
    previous_hash text NOT NULL,
    instrument text,
    recorded_at timestamp,
    line text NOT NULL,
    uploaded_at timestamptz NOT NULL DEFAULT now(),
    UNIQUE (station, sequence),
    UNIQUE (station, hash)
);
CREATE INDEX IF NOT EXISTS calibration_records_instrument
    ON calibration_records (instrument, recorded_at);
)SQL";

} // namespace

void EnsureRecordSchema(PgConnection& connection)
{
    // CREATE … IF NOT EXISTS is not safe against itself: one at a time.
    PgTransaction transaction(connection);
    connection.run("SELECT pg_advisory_xact_lock(hashtext('calibration_records schema'))");
    for (std::string_view rest = kSchema; !rest.empty();) {
        const size_t end = rest.find(';');
        const std::string_view statement = rest.substr(0, end);
        if (statement.find_first_not_of(" \n") != std::string_view::npos)
            connection.run(std::string(statement));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    transaction.commit();
}
