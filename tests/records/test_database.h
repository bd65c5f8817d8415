#pragma once
// A fresh database of its own for each test, on the server the test
// command started (postgres_server.sh in SCALE_TEST_POSTGRES_DIR), and the
// records the tests write into it.

#include <string>

#include "session/calibration_record.h"

namespace records_test {

class TestDatabase {
public:
    // Drops and creates the database `name`.
    explicit TestDatabase(const std::string& name);
    // For libpq and SCALE_RECORDS_DATABASE.
    const std::string& uri() const { return uri_; }

    // Stops the server and starts it again (the cluster stays).
    static void StopServer();
    static void StartServer();

private:
    std::string uri_;
};

// The connection URI of a database on the test server.
std::string DatabaseUri(const std::string& name);

// A record as a calibration leaves it, told apart by n.
CalibrationRecord SampleRecord(int n);

// A record line naming the board `board`, chained after `previousHash`.
std::string LineWithBoard(const CalibrationRecord& record, const std::string& board,
                          const std::string& previousHash);

} // namespace records_test
