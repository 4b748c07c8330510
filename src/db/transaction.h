// A transaction of a connection, with its options said as types: isolation, access and what a
// lock held by another transaction does to it.
#pragma once

#include <QString>

#include "db/connection.h"
#include "db/owned_interface.h"

namespace Firebird {
class ITransaction;
}  // namespace Firebird

namespace db {

// What a transaction sees of others' work.
enum class Isolation {
    // Each statement sees what others committed before it started (record versions are read,
    // never waited for).
    ReadCommitted,
    // The whole transaction sees the database as it was when the transaction started.
    Snapshot,
};

enum class Access { ReadWrite, ReadOnly };

// What a change does on meeting a record another transaction holds.
enum class OnLock {
    Fail,  // refuses at once (a conflict the user is told about)
    Wait,  // waits until the other transaction ends
};

struct TransactionOptions {
    Isolation isolation = Isolation::ReadCommitted;
    Access access = Access::ReadWrite;
    OnLock onLock = OnLock::Fail;

    friend bool operator==(const TransactionOptions&, const TransactionOptions&) = default;
};

// The program's everyday transaction: read committed, read-write, refusing at once on a lock.
inline constexpr TransactionOptions kReadCommitted{};
// A consistent picture of the database for reading (reports, lists read in parts).
inline constexpr TransactionOptions kReadOnlySnapshot{Isolation::Snapshot, Access::ReadOnly,
                                                      OnLock::Wait};
// Work done by the administrator's tools: one consistent transaction that waits its turn.
inline constexpr TransactionOptions kSnapshotWaiting{Isolation::Snapshot, Access::ReadWrite,
                                                     OnLock::Wait};

class Transaction final {
public:
    explicit Transaction(Connection& connection, TransactionOptions options = kReadCommitted);
    ~Transaction();  // rolls back a running transaction, never throws
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Connection& connection() const { return connection_; }

    bool isActive() const { return handle_ != nullptr; }
    void start();
    // Connects (with the login prompt) and starts, as far as needed.
    void ensureStarted();
    void commit();
    void commitRetaining();
    // Commits the work done. With no cursor of this transaction open the transaction ends and
    // the next use starts a new one, so that no transaction context is kept all day; with a
    // cursor open it commits retaining, which keeps the cursor.
    void commitWork();
    void rollback();
    void rollbackRetaining();
    // Cursors of this transaction open now.
    int openCursors() const { return openCursors_; }

    // Next value of a generator, drawn in this transaction.
    qint64 nextGeneratorValue(const QString& generator);

private:
    friend class Connection;
    friend class Statement;
    friend class Cursor;

    Connection& connection_;
    TransactionOptions options_;
    detail::Owned<Firebird::ITransaction> handle_;
    int openCursors_ = 0;
};

}  // namespace db
