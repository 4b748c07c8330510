// How the client's failures become DbError (inside the layer only): the kind of failure read
// from the status vector, the message in the user's words, and guards that turn a Firebird
// exception into DbError.
#pragma once

#include <firebird/Interface.h>

#include <cstdint>

#include "db/db_error.h"

namespace db {

class Connection;

namespace detail {

// The kind of failure a status vector reports (a list of clusters ending in isc_arg_end).
FailureKind failureKind(const std::intptr_t* statusVector);
// The SQLSTATE of a status vector ("42000"); "HY000" (a general error) when none maps.
QString sqlState(const std::intptr_t* statusVector);
DbError toDbError(Firebird::IStatus* status);

// Runs f, turning a Firebird exception into DbError.
template <typename F>
auto guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const Firebird::FbException& e) {
        throw toDbError(e.getStatus());
    }
}

// Lets the connection go of an attachment found gone, so that its next use attaches again.
void forgetIfLost(Connection& connection, const DbError& error) noexcept;

// Runs f on an attachment of the connection, as guarded() does; when the attachment turns out
// to be gone, the connection lets go of it.
template <typename F>
auto guardedOn(Connection& connection, F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const Firebird::FbException& e) {
        DbError error = toDbError(e.getStatus());
        forgetIfLost(connection, error);
        throw error;
    }
}

}  // namespace detail
}  // namespace db
