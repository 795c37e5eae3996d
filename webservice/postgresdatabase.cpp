#include "database.h"

#include <pqxx/pqxx>

#include <condition_variable>
#include <mutex>

namespace {
class PostgresSession final : public SqlSession {
public:
    explicit PostgresSession(pqxx::transaction_base &work) : m_work(work) {}

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
        const pqxx::result result =
            m_work.exec_params(text, pqxx::prepare::make_dynamic_params(pointers));
        std::vector<SqlRow> rows;
        rows.reserve(result.size());
        for (const pqxx::row &source : result) {
            SqlRow row;
            for (const pqxx::field &field : source) {
                if (field.is_null())
                    row.emplace_back(std::nullopt);
                else
                    row.emplace_back(std::string(field.c_str(), field.size()));
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

private:
    pqxx::transaction_base &m_work;
};

// A few connections shared by the request threads; a broken one is replaced
// before it is used again.
class PostgresDatabase final : public Database {
public:
    explicit PostgresDatabase(const std::string &url) : m_url(url)
    {
        for (int i = 0; i < kConnections; ++i)
            m_free.push_back(connect());
    }

    std::string autoIdColumn() const override { return "BIGSERIAL PRIMARY KEY"; }
    std::string migrationLock() const override { return "SELECT pg_advisory_xact_lock(718270)"; }

    void run(const std::function<void(SqlSession &)> &work, bool transaction) override
    {
        std::unique_ptr<pqxx::connection> connection = take();
        if (!connection->is_open()) {
            std::unique_ptr<pqxx::connection> fresh;
            try {
                fresh = connect();
            } catch (...) {
                give(std::move(connection));
                throw;
            }
            connection = std::move(fresh);
        }
        try {
            if (transaction) {
                pqxx::work unit(*connection);
                PostgresSession session(unit);
                work(session);
                unit.commit();
            } else {
                pqxx::nontransaction unit(*connection);
                PostgresSession session(unit);
                work(session);
            }
        } catch (const pqxx::failure &failure) {
            // The transaction has rolled back on leaving its scope.
            give(std::move(connection));
            throw DatabaseError(std::string("PostgreSQL: ") + failure.what());
        } catch (...) {
            give(std::move(connection));
            throw;
        }
        give(std::move(connection));
    }

private:
    static constexpr int kConnections = 4;

    std::unique_ptr<pqxx::connection> connect()
    {
        try {
            return std::make_unique<pqxx::connection>(m_url);
        } catch (const pqxx::failure &failure) {
            throw DatabaseError(std::string("cannot connect to PostgreSQL: ") + failure.what());
        }
    }
    std::unique_ptr<pqxx::connection> take()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_available.wait(lock, [this] { return !m_free.empty(); });
        std::unique_ptr<pqxx::connection> connection = std::move(m_free.back());
        m_free.pop_back();
        return connection;
    }
    void give(std::unique_ptr<pqxx::connection> connection)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_free.push_back(std::move(connection));
        }
        m_available.notify_one();
    }

    std::string m_url;
    std::mutex m_mutex;
    std::condition_variable m_available;
    std::vector<std::unique_ptr<pqxx::connection>> m_free;
};
} // namespace

std::unique_ptr<Database> openPostgres(const std::string &url)
{
    return std::make_unique<PostgresDatabase>(url);
}
