#include "records_db/pg_connection.h"

namespace {

// libpq's messages end with a line end.
std::string Trimmed(const char* message)
{
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace

PgConnection::PgConnection(const std::string& database) : connection_(nullptr, &PQfinish)
{
    // Later keywords win: the database's own connect_timeout, when it names
    // one, wins over ours.
    const std::string timeout = std::to_string(kConnectSeconds);
    // The schema's "already exists" notices are no news to an operator.
    const char* keys[] = {"connect_timeout", "options",          "client_encoding",
                          "dbname",          "application_name", nullptr};
    const char* values[] = {timeout.c_str(), "-c client_min_messages=warning",
                            "UTF8",          database.c_str(),
                            "scale-cli",     nullptr};
    connection_.reset(PQconnectdbParams(keys, values, 1));
    if (!connection_)
        throw RecordDatabaseError("无法连接标定记录数据库：内存不足");
    if (PQstatus(connection_.get()) != CONNECTION_OK)
        throw RecordDatabaseError("无法连接标定记录数据库：" +
                                  Trimmed(PQerrorMessage(connection_.get())));
}

PgResult PgConnection::run(const std::string& sql, const std::vector<PgParameter>& parameters)
{
    std::vector<const char*> values;
    for (const PgParameter& parameter : parameters)
        values.push_back(parameter ? parameter->c_str() : nullptr);
    PGresult* raw = PQexecParams(connection_.get(), sql.c_str(), static_cast<int>(values.size()),
                                 nullptr, values.data(), nullptr, nullptr, 0);
    PgResult result(raw);
    const ExecStatusType status = PQresultStatus(raw);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw RecordDatabaseError("标定记录数据库出错：" +
                                  Trimmed(PQerrorMessage(connection_.get())));
    return result;
}

PgTransaction::PgTransaction(PgConnection& connection) : connection_(connection)
{
    connection_.run("BEGIN");
}

PgTransaction::~PgTransaction()
{
    if (!open_ || !connection_.usable())
        return;
    try {
        connection_.run("ROLLBACK");
    } catch (const RecordDatabaseError&) {
        // The connection is dropped by its owner; the server rolls back then.
    }
}

void PgTransaction::commit()
{
    connection_.run("COMMIT");
    open_ = false;
}
