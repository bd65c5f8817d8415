#pragma once
// A connection to PostgreSQL through libpq: statements with parameters,
// results that free themselves, and failures as RecordDatabaseError.

#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The database cannot be reached, or refused a statement; the message says
// which and libpq's reason.
class RecordDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A statement's rows.
class PgResult {
public:
    explicit PgResult(PGresult* result) : result_(result, &PQclear) { }
    int rows() const { return PQntuples(result_.get()); }
    bool isNull(int row, int column) const { return PQgetisnull(result_.get(), row, column) != 0; }
    std::string text(int row, int column) const { return PQgetvalue(result_.get(), row, column); }
    uint64_t number(int row, int column) const { return std::stoull(text(row, column)); }

private:
    std::unique_ptr<PGresult, decltype(&PQclear)> result_;
};

// A parameter: text, or SQL NULL.
using PgParameter = std::optional<std::string>;

class PgConnection {
public:
    // Connects to `database` (a URI or key=value list), waiting at most
    // kConnectSeconds unless it names its own connect_timeout.
    explicit PgConnection(const std::string& database);
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one statement; throws RecordDatabaseError when it fails.
    PgResult run(const std::string& sql, const std::vector<PgParameter>& parameters = {});
    // False once the server is gone.
    bool usable() const { return PQstatus(connection_.get()) == CONNECTION_OK; }

    static constexpr int kConnectSeconds = 5;

private:
    std::unique_ptr<PGconn, decltype(&PQfinish)> connection_;
};

// One transaction: rolled back unless committed.
class PgTransaction {
public:
    explicit PgTransaction(PgConnection& connection);
    ~PgTransaction();
    void commit();

private:
    PgConnection& connection_;
    bool open_ = true;
};
