#include <ibase.h>

#include "db/errors.h"
#include "db/statement.h"
#include "db/statement_handle.h"
#include "db/win1251.h"

using namespace Firebird;

namespace db {
using namespace detail;

// A statement has one open cursor at a time, so the cursor borrows the statement's status and
// output buffer instead of allocating its own at every opening.
struct Cursor::State {
    std::shared_ptr<StatementHandle> handle;
    Transaction* transaction = nullptr;
    Owned<IResultSet> resultSet;
    Status& status() { return handle->status; }
    QByteArray& buffer() { return handle->outBuffer; }

    QVariant readBlob(const ISC_QUAD& id) {
        return guardedOn(*handle->connection, [&] {
            Status st;
            ISC_QUAD blobId = id;
            Owned<IBlob> blob(handle->connection->attachment_->openBlob(
                &st, transaction->handle_.get(), &blobId, 0, nullptr));
            QByteArray bytes;
            char chunk[16384];
            unsigned got = 0;
            for (;;) {
                const int rc = blob->getSegment(&st, sizeof chunk, chunk, &got);
                if (rc != IStatus::RESULT_OK && rc != IStatus::RESULT_SEGMENT) break;
                bytes.append(chunk, qsizetype(got));
            }
            blob->close(&st);
            ended(blob);
            return QVariant(win1251::decode(bytes));
        });
    }

    QVariant read(const OutColumn& c) {
        const char* base = buffer().constData();
        if (*reinterpret_cast<const short*>(base + c.nullOffset)) return {};
        const char* p = base + c.offset;
        switch (c.type) {
            case SQL_VARYING: {
                const auto len = *reinterpret_cast<const unsigned short*>(p);
                return win1251::decode(p + 2, len);
            }
            case SQL_TEXT: {
                qsizetype len = c.length;
                while (len > 0 && p[len - 1] == ' ') --len;
                return win1251::decode(p, len);
            }
            case SQL_SHORT: {
                const short v = *reinterpret_cast<const short*>(p);
                return c.scale < 0 ? QVariant::fromValue(Decimal(v, -c.scale)) : QVariant(int(v));
            }
            case SQL_LONG: {
                const ISC_LONG v = *reinterpret_cast<const ISC_LONG*>(p);
                return c.scale < 0 ? QVariant::fromValue(Decimal(v, -c.scale)) : QVariant(int(v));
            }
            case SQL_INT64: {
                const ISC_INT64 v = *reinterpret_cast<const ISC_INT64*>(p);
                return c.scale < 0 ? QVariant::fromValue(Decimal(v, -c.scale))
                                   : QVariant(qlonglong(v));
            }
            case SQL_FLOAT:
                return double(*reinterpret_cast<const float*>(p));
            case SQL_DOUBLE:
            case SQL_D_FLOAT:
                return *reinterpret_cast<const double*>(p);
            case SQL_TYPE_DATE:
                return decodeDate(*reinterpret_cast<const ISC_DATE*>(p));
            case SQL_TYPE_TIME:
                return decodeTime(*reinterpret_cast<const ISC_TIME*>(p));
            case SQL_TIMESTAMP: {
                const auto* ts = reinterpret_cast<const ISC_TIMESTAMP*>(p);
                return QDateTime(decodeDate(ts->timestamp_date), decodeTime(ts->timestamp_time));
            }
            case SQL_BOOLEAN:
                return bool(*reinterpret_cast<const FB_BOOLEAN*>(p));
            case SQL_BLOB:
                return readBlob(*reinterpret_cast<const ISC_QUAD*>(p));
            default:
                return {};
        }
    }

    void closeResultSet() noexcept {
        if (!resultSet) return;
        --transaction->openCursors_;
        if (!handle->stale()) {
            try {
                resultSet->close(&status());
                ended(resultSet);
                return;
            } catch (const FbException&) {
                // Released below: the server closes it with the statement.
            }
        }
        resultSet.reset();
    }
};

Cursor::Cursor(std::shared_ptr<StatementHandle> handle, Transaction& transaction,
               Owned<IResultSet> resultSet)
    : d(std::make_unique<State>()) {
    d->handle = std::move(handle);
    d->transaction = &transaction;
    d->resultSet = std::move(resultSet);
    ++transaction.openCursors_;
}

Cursor::Cursor(Cursor&&) noexcept = default;

Cursor& Cursor::operator=(Cursor&& other) noexcept {
    if (this != &other) {
        if (d) d->closeResultSet();
        d = std::move(other.d);
    }
    return *this;
}

Cursor::~Cursor() {
    if (d) d->closeResultSet();
}

const QVector<ColumnInfo>& Cursor::columns() const {
    return d->handle->columns;
}

bool Cursor::fetch(QVector<QVariant>& row) {
    if (!d || !d->resultSet) return false;
    const int rc = guardedOn(*d->handle->connection, [&] {
        return d->resultSet->fetchNext(&d->status(), d->buffer().data());
    });
    if (rc != IStatus::RESULT_OK) {
        d->closeResultSet();
        return false;
    }
    const auto& out = d->handle->out;
    row.resize(qsizetype(out.size()));
    for (size_t i = 0; i < out.size(); ++i) row[qsizetype(i)] = d->read(out[i]);
    return true;
}

void Cursor::close() {
    if (d) d->closeResultSet();
}

}  // namespace db
