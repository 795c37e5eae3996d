#pragma once
// What the service keeps: sign-in tickets, the phone's sign-in in progress,
// users, tokens (as hashes) and statistics counts. Every instance reads and
// writes here and keeps nothing of its own, so instances can share one
// PostgreSQL.

#include "database.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class TicketState { Unknown, Waiting, Expired, Confirmed, Cancelled, Used };

struct StoredUser {
    long long id = 0;
    std::string username;
    std::string nickname;
    long long tokenExpires = 0;
};

// A phone's sign-in between leaving for the provider and confirming.
struct PendingSignIn {
    std::string state;
    std::string ticket;      // given when saving
    std::string ticketHash;  // read back
    std::string browserHash; // hash of the secret in the phone's cookie
    std::string nonce;
    std::string verifier;
    long long expires = 0;
    long long userId = 0; // set once the provider has vouched for the person
    std::string csrf;
};

struct PingCount {
    std::string day;
    std::string type;
    std::string version;
    std::string system;
    long long count = 0;
};

class Store {
public:
    explicit Store(std::unique_ptr<Database> database);

    // Brings the schema up to date; returns its version.
    int migrate();
    bool healthy();

    void createTicket(const std::string &ticket, long long expires);
    TicketState ticketState(const std::string &ticket, long long now);
    // A waiting, unexpired ticket becomes confirmed for the user, or
    // cancelled without one; false when it was not waiting.
    bool settleTicket(const std::string &ticket, long long now, std::optional<long long> userId);
    // The user of a confirmed ticket, handed out once.
    std::optional<long long> claimTicket(const std::string &ticket);
    // The same for a ticket known by its hash (a sign-in keeps no ticket).
    bool settleTicketHash(const std::string &ticketHash, long long now,
                          std::optional<long long> userId);

    void saveSignIn(const PendingSignIn &signIn);
    std::optional<PendingSignIn> signIn(const std::string &state, long long now);
    void authenticateSignIn(const std::string &state, long long userId, const std::string &csrf);
    void dropSignIn(const std::string &state);

    long long upsertUser(const std::string &subject, const std::string &username,
                         const std::string &nickname);
    void saveToken(const std::string &token, long long userId, long long expires);
    std::optional<StoredUser> userForToken(const std::string &token, long long now);

    void countPing(const std::string &day, const std::string &type, const std::string &version,
                   const std::string &system);
    std::vector<PingCount> pingCounts(const std::string &fromDay, const std::string &toDay);

    // Forgets tickets, sign-ins and tokens whose time is long over.
    void purge(long long now);

private:
    std::vector<SqlRow> query(const std::string &sql, const std::vector<SqlValue> &params = {});
    // The same for statements that only read.
    std::vector<SqlRow> read(const std::string &sql, const std::vector<SqlValue> &params = {});

    std::unique_ptr<Database> m_database;
};
