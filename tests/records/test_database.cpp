#include "test_database.h"

#include <cstdlib>
#include <stdexcept>

#include "records_db/pg_connection.h"

namespace records_test {

namespace {

std::string ServerDirectory() { return SCALE_TEST_POSTGRES_DIR; }

void RunScript(const std::string& action)
{
    const std::string command =
        std::string(SCALE_TEST_POSTGRES_SCRIPT) + " " + action + " " + ServerDirectory();
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error(command + " failed");
}

} // namespace

std::string DatabaseUri(const std::string& name)
{
    return "postgresql:///" + name + "?host=" + ServerDirectory() + "&user=scale";
}

TestDatabase::TestDatabase(const std::string& name) : uri_(DatabaseUri(name))
{
    PgConnection admin(DatabaseUri("postgres"));
    admin.run("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    admin.run("CREATE DATABASE " + name);
}

void TestDatabase::StopServer() { RunScript("stop"); }
void TestDatabase::StartServer() { RunScript("restart"); }

CalibrationRecord SampleRecord(int n)
{
    CalibrationRecord record;
    record.time =
        "2026-03-" + std::string(n % 28 < 9 ? "0" : "") + std::to_string(n % 28 + 1) + " 10:00:00";
    record.kind = n % 2 ? CalibrationKind::Weight : CalibrationKind::Zero;
    record.weightKg = n % 2 ? 10 : 0;
    record.operatorName = "operator " + std::to_string(n);
    record.testWeightId = "M1-" + std::to_string(n);
    record.boardVersion = "V2.1";
    return record;
}

std::string LineWithBoard(const CalibrationRecord& record, const std::string& board,
                          const std::string& previousHash)
{
    CalibrationRecord chained = record;
    chained.board = board;
    chained.previousHash = previousHash;
    return RecordLine(chained);
}

} // namespace records_test
