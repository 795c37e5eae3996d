#include "database.h"

#include <sqlite3.h>

#include <map>
#include <memory>
#include <mutex>

namespace {
// One SQLite connection and the statements prepared on it, kept for the next
// request; used by one thread at a time.
class SqliteConnection final : public SqlSession {
public:
    SqliteConnection(const std::string &path, bool readOnly)
    {
        const int mode =
            (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
            SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &m_db, mode, nullptr) != SQLITE_OK) {
            const std::string why = m_db ? sqlite3_errmsg(m_db) : "out of memory";
            sqlite3_close(m_db);
            m_db = nullptr;
            throw DatabaseError("cannot open " + path + ": " + why);
        }
        sqlite3_busy_timeout(m_db, 5000);
        if (!readOnly) {
            query("PRAGMA journal_mode=WAL", {});
            query("PRAGMA synchronous=NORMAL", {});
        }
    }
    ~SqliteConnection() override
    {
        for (auto &statement : m_statements)
            sqlite3_finalize(statement.second);
        sqlite3_close(m_db);
    }

    void exec(const char *sql) { sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

    std::vector<SqlRow> query(const std::string &sql, const std::vector<SqlValue> &params) override
    {
        sqlite3_stmt *statement = prepared(sql);
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        for (size_t i = 0; i < params.size(); ++i) {
            const int at = static_cast<int>(i) + 1;
            if (const auto *number = std::get_if<long long>(&params[i]))
                sqlite3_bind_int64(statement, at, *number);
            else if (const auto *text = std::get_if<std::string>(&params[i]))
                sqlite3_bind_text(statement, at, text->data(), static_cast<int>(text->size()),
                                  SQLITE_TRANSIENT);
            else
                sqlite3_bind_null(statement, at);
        }
        std::vector<SqlRow> rows;
        for (;;) {
            const int step = sqlite3_step(statement);
            if (step == SQLITE_DONE)
                break;
            if (step != SQLITE_ROW) {
                const std::string why = sqlite3_errmsg(m_db);
                sqlite3_reset(statement);
                throw DatabaseError("SQLite: " + why);
            }
            SqlRow row;
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const auto *text = sqlite3_column_text(statement, c);
                if (text)
                    row.emplace_back(
                        std::string(reinterpret_cast<const char *>(text),
                                    static_cast<size_t>(sqlite3_column_bytes(statement, c))));
                else
                    row.emplace_back(std::nullopt);
            }
            rows.push_back(std::move(row));
        }
        sqlite3_reset(statement);
        return rows;
    }

private:
    sqlite3_stmt *prepared(const std::string &sql)
    {
        const auto found = m_statements.find(sql);
        if (found != m_statements.end())
            return found->second;
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &statement,
                               nullptr) != SQLITE_OK)
            throw DatabaseError(std::string("SQLite: ") + sqlite3_errmsg(m_db));
        m_statements.emplace(sql, statement);
        return statement;
    }

    using SqlSession::query;

    sqlite3 *m_db = nullptr;
    std::map<std::string, sqlite3_stmt *> m_statements;
};

// One writing connection behind a lock (SQLite writes one at a time anyway)
// and a few reading ones: in WAL mode readers see the last commit without
// waiting for the writer.
class SqliteDatabase final : public Database {
public:
    explicit SqliteDatabase(const std::string &path) : m_path(path), m_writer(path, false) {}

    std::string autoIdColumn() const override { return "INTEGER PRIMARY KEY AUTOINCREMENT"; }
    std::string migrationLock() const override { return std::string(); }

    void run(const std::function<void(SqlSession &)> &work, bool transaction) override
    {
        std::lock_guard<std::mutex> lock(m_writeMutex);
        if (!transaction) {
            work(m_writer);
            return;
        }
        m_writer.query("BEGIN IMMEDIATE", {});
        try {
            work(m_writer);
            m_writer.query("COMMIT", {});
        } catch (...) {
            m_writer.exec("ROLLBACK");
            throw;
        }
    }

    void read(const std::function<void(SqlSession &)> &work) override
    {
        // A database in memory is private to its one connection.
        if (m_path.empty() || m_path == ":memory:") {
            run(work, false);
            return;
        }
        std::unique_ptr<SqliteConnection> reader;
        {
            std::lock_guard<std::mutex> lock(m_readMutex);
            if (!m_readers.empty()) {
                reader = std::move(m_readers.back());
                m_readers.pop_back();
            }
        }
        if (!reader)
            reader = std::make_unique<SqliteConnection>(m_path, true);
        work(*reader);
        std::lock_guard<std::mutex> lock(m_readMutex);
        // Beyond a few idle readers, one more is closed rather than kept.
        if (m_readers.size() < kIdleReaders)
            m_readers.push_back(std::move(reader));
    }

private:
    static constexpr size_t kIdleReaders = 8;

    std::string m_path;
    std::mutex m_writeMutex;
    SqliteConnection m_writer;
    std::mutex m_readMutex;
    std::vector<std::unique_ptr<SqliteConnection>> m_readers;
};
} // namespace

std::unique_ptr<Database> openSqlite(const std::string &path)
{
    return std::make_unique<SqliteDatabase>(path);
}

std::unique_ptr<Database> openDatabase(const std::string &url)
{
    if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0) {
        auto database = openPostgres(url);
        if (!database)
            throw DatabaseError("this build has no PostgreSQL client");
        return database;
    }
    const std::string prefix = "sqlite:";
    return openSqlite(url.rfind(prefix, 0) == 0 ? url.substr(prefix.size()) : url);
}
