#include "store.h"

#include "secrets.h"

namespace {
long long toNumber(const std::optional<std::string> &text)
{
    return text ? std::stoll(*text) : 0;
}

std::string text(const std::optional<std::string> &value)
{
    return value.value_or(std::string());
}

// Tickets and tokens are looked up by their hash: a copy of the database
// hands out no sign-in.
std::string key(const std::string &secret)
{
    return secrets::sha256Hex(secret);
}

// Seconds a finished ticket or sign-in is kept before purging.
constexpr long long kGrace = 24 * 3600;
} // namespace

Store::Store(std::unique_ptr<Database> database) : m_database(std::move(database)) {}

std::vector<SqlRow> Store::query(const std::string &sql, const std::vector<SqlValue> &params)
{
    std::vector<SqlRow> rows;
    m_database->run([&](SqlSession &session) { rows = session.query(sql, params); }, false);
    return rows;
}

std::vector<SqlRow> Store::read(const std::string &sql, const std::vector<SqlValue> &params)
{
    std::vector<SqlRow> rows;
    m_database->read([&](SqlSession &session) { rows = session.query(sql, params); });
    return rows;
}

int Store::migrate()
{
    const std::string id = m_database->autoIdColumn();
    // Each entry brings the schema from its index to the next version; never
    // edit one that has shipped, add another.
    const std::vector<std::vector<std::string>> migrations = {
        {"CREATE TABLE users (id " + id +
             ", subject TEXT NOT NULL UNIQUE, username TEXT NOT NULL,"
             " nickname TEXT NOT NULL, created BIGINT NOT NULL)",
         "CREATE TABLE tickets (ticket_hash TEXT PRIMARY KEY, expires BIGINT NOT NULL,"
         " state TEXT NOT NULL, user_id BIGINT)",
         "CREATE TABLE sign_ins (state TEXT PRIMARY KEY, ticket_hash TEXT NOT NULL,"
         " browser_hash TEXT NOT NULL, nonce TEXT NOT NULL, verifier TEXT NOT NULL,"
         " expires BIGINT NOT NULL, user_id BIGINT, csrf TEXT)",
         "CREATE TABLE tokens (token_hash TEXT PRIMARY KEY, user_id BIGINT NOT NULL,"
         " expires BIGINT NOT NULL)",
         "CREATE TABLE ping_counts (day TEXT NOT NULL, type TEXT NOT NULL,"
         " version TEXT NOT NULL, system TEXT NOT NULL, count BIGINT NOT NULL,"
         " PRIMARY KEY (day, type, version, system))",
         "CREATE INDEX tickets_expires ON tickets (expires)",
         "CREATE INDEX tokens_expires ON tokens (expires)"},
    };
    int version = 0;
    m_database->run(
        [&](SqlSession &session) {
            if (!m_database->migrationLock().empty())
                session.query(m_database->migrationLock());
            session.query("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
            const auto rows = session.query("SELECT MAX(version) FROM schema_version");
            version = rows.empty() ? 0 : static_cast<int>(toNumber(rows[0][0]));
            for (size_t next = static_cast<size_t>(version); next < migrations.size(); ++next) {
                for (const std::string &statement : migrations[next])
                    session.query(statement);
                session.query("INSERT INTO schema_version (version) VALUES (?)",
                              {static_cast<long long>(next + 1)});
            }
            version = std::max(version, static_cast<int>(migrations.size()));
        },
        true);
    return version;
}

bool Store::healthy()
{
    try {
        const auto rows = read("SELECT MAX(version) FROM schema_version");
        return !rows.empty() && toNumber(rows[0][0]) > 0;
    } catch (const DatabaseError &) {
        return false;
    }
}

void Store::createTicket(const std::string &ticket, long long expires)
{
    query("INSERT INTO tickets (ticket_hash, expires, state) VALUES (?, ?, 'waiting')",
          {key(ticket), expires});
}

TicketState Store::ticketState(const std::string &ticket, long long now)
{
    const auto rows =
        read("SELECT state, expires FROM tickets WHERE ticket_hash = ?", {key(ticket)});
    if (rows.empty())
        return TicketState::Unknown;
    const std::string state = text(rows[0][0]);
    if (state == "confirmed")
        return TicketState::Confirmed;
    if (state == "cancelled")
        return TicketState::Cancelled;
    if (state == "used")
        return TicketState::Used;
    return now >= toNumber(rows[0][1]) ? TicketState::Expired : TicketState::Waiting;
}

bool Store::settleTicket(const std::string &ticket, long long now, std::optional<long long> userId)
{
    return settleTicketHash(key(ticket), now, userId);
}

bool Store::settleTicketHash(const std::string &ticketHash, long long now,
                             std::optional<long long> userId)
{
    const auto rows = query(
        "UPDATE tickets SET state = ?, user_id = ? WHERE ticket_hash = ? AND state = 'waiting'"
        " AND expires > ? RETURNING ticket_hash",
        {std::string(userId ? "confirmed" : "cancelled"),
         userId ? SqlValue(*userId) : SqlValue(nullptr), ticketHash, now});
    return !rows.empty();
}

std::optional<long long> Store::claimTicket(const std::string &ticket)
{
    const auto rows = query("UPDATE tickets SET state = 'used' WHERE ticket_hash = ? AND"
                            " state = 'confirmed' RETURNING user_id",
                            {key(ticket)});
    if (rows.empty())
        return std::nullopt;
    return toNumber(rows[0][0]);
}

void Store::saveSignIn(const PendingSignIn &signIn)
{
    query("INSERT INTO sign_ins (state, ticket_hash, browser_hash, nonce, verifier, expires)"
          " VALUES (?, ?, ?, ?, ?, ?)",
          {signIn.state, key(signIn.ticket), signIn.browserHash, signIn.nonce, signIn.verifier,
           signIn.expires});
}

std::optional<PendingSignIn> Store::signIn(const std::string &state, long long now)
{
    const auto rows =
        read("SELECT ticket_hash, browser_hash, nonce, verifier, expires, user_id, csrf"
             " FROM sign_ins WHERE state = ? AND expires > ?",
             {state, now});
    if (rows.empty())
        return std::nullopt;
    const SqlRow &row = rows[0];
    PendingSignIn signIn;
    signIn.state = state;
    signIn.ticketHash = text(row[0]);
    signIn.browserHash = text(row[1]);
    signIn.nonce = text(row[2]);
    signIn.verifier = text(row[3]);
    signIn.expires = toNumber(row[4]);
    signIn.userId = toNumber(row[5]);
    signIn.csrf = text(row[6]);
    return signIn;
}

void Store::authenticateSignIn(const std::string &state, long long userId, const std::string &csrf)
{
    // The verifier has done its work; it is not kept beyond the exchange.
    query("UPDATE sign_ins SET user_id = ?, csrf = ?, verifier = '' WHERE state = ?",
          {userId, csrf, state});
}

void Store::dropSignIn(const std::string &state)
{
    query("DELETE FROM sign_ins WHERE state = ?", {state});
}

long long Store::upsertUser(const std::string &subject, const std::string &username,
                            const std::string &nickname)
{
    const auto rows = query("INSERT INTO users (subject, username, nickname, created)"
                            " VALUES (?, ?, ?, ?) ON CONFLICT (subject) DO UPDATE SET"
                            " username = excluded.username, nickname = excluded.nickname"
                            " RETURNING id",
                            {subject, username, nickname, static_cast<long long>(time(nullptr))});
    if (rows.empty())
        throw DatabaseError("no user id returned");
    return toNumber(rows[0][0]);
}

void Store::saveToken(const std::string &token, long long userId, long long expires)
{
    query("INSERT INTO tokens (token_hash, user_id, expires) VALUES (?, ?, ?)",
          {key(token), userId, expires});
}

std::optional<StoredUser> Store::userForToken(const std::string &token, long long now)
{
    const auto rows = read("SELECT users.id, users.username, users.nickname, tokens.expires"
                           " FROM tokens JOIN users ON users.id = tokens.user_id"
                           " WHERE tokens.token_hash = ? AND tokens.expires > ?",
                           {key(token), now});
    if (rows.empty())
        return std::nullopt;
    return StoredUser{toNumber(rows[0][0]), text(rows[0][1]), text(rows[0][2]),
                      toNumber(rows[0][3])};
}

void Store::countPing(const std::string &day, const std::string &type, const std::string &version,
                      const std::string &system)
{
    query("INSERT INTO ping_counts (day, type, version, system, count) VALUES (?, ?, ?, ?, 1)"
          " ON CONFLICT (day, type, version, system) DO UPDATE SET count = ping_counts.count + 1",
          {day, type, version, system});
}

std::vector<PingCount> Store::pingCounts(const std::string &fromDay, const std::string &toDay)
{
    std::vector<PingCount> counts;
    for (const SqlRow &row :
         read("SELECT day, type, version, system, count FROM ping_counts"
              " WHERE day >= ? AND day <= ? ORDER BY day, type, version, system",
              {fromDay, toDay}))
        counts.push_back(
            {text(row[0]), text(row[1]), text(row[2]), text(row[3]), toNumber(row[4])});
    return counts;
}

void Store::purge(long long now)
{
    m_database->run(
        [&](SqlSession &session) {
            session.query("DELETE FROM tickets WHERE expires < ?", {now - kGrace});
            session.query("DELETE FROM sign_ins WHERE expires < ?", {now});
            session.query("DELETE FROM tokens WHERE expires < ?", {now});
        },
        true);
}
