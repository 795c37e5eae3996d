#pragma once
// The SQL both stores speak: statements with "?" placeholders, run on one
// connection at a time, optionally inside a transaction.

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

using SqlValue = std::variant<std::nullptr_t, long long, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;

class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SqlSession {
public:
    virtual ~SqlSession() = default;
    virtual std::vector<SqlRow> query(const std::string &sql,
                                      const std::vector<SqlValue> &params = {}) = 0;
};

class Database {
public:
    virtual ~Database() = default;
    // The column type of a generated numeric key.
    virtual std::string autoIdColumn() const = 0;
    // Runs work on one connection; with transaction, all of it or none of it.
    // Failures throw DatabaseError.
    virtual void run(const std::function<void(SqlSession &)> &work, bool transaction) = 0;
    // Runs work that only reads; it may run beside writes and other reads.
    virtual void read(const std::function<void(SqlSession &)> &work) { run(work, false); }
    // Held while migrations run, so instances starting together apply them once.
    virtual std::string migrationLock() const = 0;
};

// "postgresql://…" or "postgres://…" opens PostgreSQL, anything else is an
// SQLite file (an optional "sqlite:" prefix is dropped).
std::unique_ptr<Database> openDatabase(const std::string &url);
std::unique_ptr<Database> openSqlite(const std::string &path);
// Null when this build has no PostgreSQL client.
std::unique_ptr<Database> openPostgres(const std::string &url);
