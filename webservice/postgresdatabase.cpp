#include "database.h"

#include <libpq-fe.h>

#include <condition_variable>
#include <mutex>

namespace {
class PostgresSession final : public SqlSession {
public:
    explicit PostgresSession(PGconn *connection) : m_connection(connection) {}

    std::vector<SqlRow> query(const std::string &sql, const std::vector<SqlValue> &params) override
    {
        // "?" becomes "$n": the statements are shared with SQLite and hold no
        // literal question marks.
        std::string text;
        int number = 0;
        for (const char c : sql) {
            if (c == '?')
                text += "$" + std::to_string(++number);
            else
                text += c;
        }
        std::vector<std::string> values(params.size());
        std::vector<const char *> pointers(params.size(), nullptr);
        for (size_t i = 0; i < params.size(); ++i) {
            if (const auto *value = std::get_if<long long>(&params[i]))
                values[i] = std::to_string(*value);
            else if (const auto *textValue = std::get_if<std::string>(&params[i]))
                values[i] = *textValue;
            else
                continue;
            pointers[i] = values[i].c_str();
        }
        PGresult *result = PQexecParams(m_connection, text.c_str(), static_cast<int>(params.size()),
                                        nullptr, pointers.data(), nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string why = PQresultErrorMessage(result);
            PQclear(result);
            throw DatabaseError("PostgreSQL: " + why);
        }
        std::vector<SqlRow> rows;
        for (int r = 0; r < PQntuples(result); ++r) {
            SqlRow row;
            for (int c = 0; c < PQnfields(result); ++c) {
                if (PQgetisnull(result, r, c))
                    row.emplace_back(std::nullopt);
                else
                    row.emplace_back(std::string(PQgetvalue(result, r, c),
                                                 static_cast<size_t>(PQgetlength(result, r, c))));
            }
            rows.push_back(std::move(row));
        }
        PQclear(result);
        return rows;
    }

private:
    PGconn *m_connection;
};

// A few connections shared by the request threads; a broken one is reset
// before it is used again.
class PostgresDatabase final : public Database {
public:
    explicit PostgresDatabase(const std::string &url) : m_url(url)
    {
        for (int i = 0; i < kConnections; ++i)
            m_free.push_back(connect());
    }
    ~PostgresDatabase() override
    {
        for (PGconn *connection : m_free)
            PQfinish(connection);
    }

    std::string autoIdColumn() const override { return "BIGSERIAL PRIMARY KEY"; }
    std::string migrationLock() const override { return "SELECT pg_advisory_xact_lock(718270)"; }

    void run(const std::function<void(SqlSession &)> &work, bool transaction) override
    {
        PGconn *connection = take();
        try {
            if (PQstatus(connection) != CONNECTION_OK)
                PQreset(connection);
            if (PQstatus(connection) != CONNECTION_OK)
                throw DatabaseError(std::string("PostgreSQL: ") + PQerrorMessage(connection));
            PostgresSession session(connection);
            if (transaction)
                session.query("BEGIN", {});
            try {
                work(session);
                if (transaction)
                    session.query("COMMIT", {});
            } catch (...) {
                if (transaction)
                    PQclear(PQexec(connection, "ROLLBACK"));
                throw;
            }
        } catch (...) {
            give(connection);
            throw;
        }
        give(connection);
    }

private:
    static constexpr int kConnections = 4;

    PGconn *connect()
    {
        PGconn *connection = PQconnectdb(m_url.c_str());
        if (PQstatus(connection) != CONNECTION_OK) {
            const std::string why = PQerrorMessage(connection);
            PQfinish(connection);
            for (PGconn *open : m_free)
                PQfinish(open);
            m_free.clear();
            throw DatabaseError("cannot connect to PostgreSQL: " + why);
        }
        return connection;
    }
    PGconn *take()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_available.wait(lock, [this] { return !m_free.empty(); });
        PGconn *connection = m_free.back();
        m_free.pop_back();
        return connection;
    }
    void give(PGconn *connection)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_free.push_back(connection);
        }
        m_available.notify_one();
    }

    std::string m_url;
    std::mutex m_mutex;
    std::condition_variable m_available;
    std::vector<PGconn *> m_free;
};
} // namespace

std::unique_ptr<Database> openPostgres(const std::string &url)
{
    return std::make_unique<PostgresDatabase>(url);
}
