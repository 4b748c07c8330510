#include "db/transaction.h"

#include <QRegularExpression>
#include <algorithm>

#include "db/client_interface.h"
#include "db/errors.h"
#include "db/statement.h"

using namespace Firebird;

namespace db {
using namespace detail;

namespace {

void addOptions(IXpbBuilder* tpb, Status& st, const TransactionOptions& options) {
    tpb->insertTag(&st, options.access == Access::ReadOnly ? isc_tpb_read : isc_tpb_write);
    switch (options.isolation) {
        case Isolation::ReadCommitted:
            tpb->insertTag(&st, isc_tpb_read_committed);
            tpb->insertTag(&st, isc_tpb_rec_version);
            break;
        case Isolation::Snapshot:
            tpb->insertTag(&st, isc_tpb_concurrency);
            break;
    }
    tpb->insertTag(&st, options.onLock == OnLock::Wait ? isc_tpb_wait : isc_tpb_nowait);
}

}  // namespace

Transaction::Transaction(Connection& connection, TransactionOptions options)
    : connection_(connection), options_(options) {
    connection_.transactions_.push_back(this);
}

Transaction::~Transaction() {
    if (handle_) {
        try {
            Status st;
            handle_->rollback(&st);
            ended(handle_);
        } catch (const FbException&) {
            // Released below: the server ends the transaction with the attachment.
        }
        handle_.reset();
    }
    auto& list = connection_.transactions_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void Transaction::start() {
    if (isActive()) throw DbError(QStringLiteral("Транзакция уже запущена."));
    if (!connection_.isOpen()) throw DbError(QStringLiteral("Нет подключения к базе данных."));
    handle_.reset(guardedOn(connection_, [&] {
        Status st;
        const Owned<IXpbBuilder> tpb(util()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0));
        addOptions(tpb.get(), st, options_);
        return connection_.attachment_->startTransaction(&st, tpb->getBufferLength(&st),
                                                         tpb->getBuffer(&st));
    }));
}

void Transaction::ensureStarted() {
    if (!connection_.isOpen()) connection_.open();
    if (!isActive()) start();
}

void Transaction::commit() {
    if (!handle_) return;
    guardedOn(connection_, [&] {
        Status st;
        handle_->commit(&st);
        ended(handle_);
    });
}

void Transaction::commitRetaining() {
    if (!handle_) return;
    guardedOn(connection_, [&] {
        Status st;
        handle_->commitRetaining(&st);
    });
}

void Transaction::commitWork() {
    if (openCursors_ > 0)
        commitRetaining();
    else
        commit();
}

void Transaction::rollback() {
    if (!handle_) return;
    guardedOn(connection_, [&] {
        Status st;
        handle_->rollback(&st);
        ended(handle_);
    });
}

void Transaction::rollbackRetaining() {
    if (!handle_) return;
    guardedOn(connection_, [&] {
        Status st;
        handle_->rollbackRetaining(&st);
    });
}

qint64 Transaction::nextGeneratorValue(const QString& generator) {
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z][A-Za-z0-9_$]*$"));
    if (!identifier.match(generator).hasMatch())
        throw DbError(QStringLiteral("Недопустимое имя генератора: %1").arg(generator));
    const auto rows =
        queryRows(*this, QStringLiteral("select gen_id(%1, 1) from rdb$database").arg(generator));
    return rows.at(0).at(0).toLongLong();
}

}  // namespace db
