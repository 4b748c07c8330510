// The database layer's classes over the Firebird client: connection, transaction, statement and
// cursor, each owning what it holds. Single-threaded: one object is used from one thread only.
#pragma once

#include "db/connection.h"
#include "db/db_error.h"
#include "db/statement.h"
#include "db/transaction.h"
