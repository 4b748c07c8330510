#include "raw_fetch.h"

#include <firebird/Interface.h>

#include <stdexcept>

using namespace Firebird;

namespace bench {

struct RawQuery::State {
    IMaster* master = fb_get_master_interface();
    ThrowStatusWrapper status{master->getStatus()};
    IProvider* provider = master->getDispatcher();
    IAttachment* attachment = nullptr;
    ITransaction* transaction = nullptr;
    IStatement* statement = nullptr;
    IMessageMetadata* in = nullptr;
    IMessageMetadata* out = nullptr;
    std::vector<unsigned char> inBuffer, outBuffer;
};

RawQuery::RawQuery(const QString& database, const QString& sql) : d(new State) {
    try {
        IXpbBuilder* dpb =
            d->master->getUtilInterface()->getXpbBuilder(&d->status, IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&d->status, isc_dpb_user_name, "SYSDBA");
        dpb->insertString(&d->status, isc_dpb_lc_ctype, "WIN1251");
        const QByteArray path = database.toLocal8Bit();
        d->attachment = d->provider->attachDatabase(&d->status, path.constData(),
                                                    dpb->getBufferLength(&d->status),
                                                    dpb->getBuffer(&d->status));
        dpb->dispose();
        const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                                     isc_tpb_nowait};
        d->transaction = d->attachment->startTransaction(&d->status, sizeof tpb, tpb);
        const QByteArray text = sql.toLatin1();
        d->statement = d->attachment->prepare(&d->status, d->transaction, 0, text.constData(), 3,
                                              IStatement::PREPARE_PREFETCH_METADATA);
        d->in = d->statement->getInputMetadata(&d->status);
        d->out = d->statement->getOutputMetadata(&d->status);
        d->inBuffer.resize(d->in->getMessageLength(&d->status));
        d->outBuffer.resize(d->out->getMessageLength(&d->status));
    } catch (const FbException& e) {
        char buf[1024];
        d->master->getUtilInterface()->formatStatus(buf, sizeof buf, e.getStatus());
        throw std::runtime_error(buf);
    }
}

RawQuery::~RawQuery() {
    try {
        if (d->statement) d->statement->free(&d->status);
        if (d->transaction) d->transaction->commit(&d->status);
        if (d->attachment) d->attachment->detach(&d->status);
    } catch (const FbException&) {
    }
    d->in->release();
    d->out->release();
    d->provider->release();
    d->status.dispose();
    delete d;
}

int RawQuery::run(const std::vector<int>& ints, const std::vector<QDate>& dates,
                  const std::vector<char>& order) {
    IUtil* util = d->master->getUtilInterface();
    size_t i = 0, k = 0;
    for (unsigned p = 0; p < order.size(); ++p) {
        unsigned char* at = d->inBuffer.data() + d->in->getOffset(&d->status, p);
        *reinterpret_cast<short*>(d->inBuffer.data() + d->in->getNullOffset(&d->status, p)) = 0;
        if (order[p] == 'i') {
            *reinterpret_cast<ISC_LONG*>(at) = ints[i++];
        } else {
            const QDate& date = dates[k++];
            *reinterpret_cast<ISC_DATE*>(at) =
                util->encodeDate(date.year(), date.month(), date.day());
        }
    }
    IResultSet* rs =
        d->statement->openCursor(&d->status, d->transaction, d->in, d->inBuffer.data(), d->out, 0);
    int rows = 0;
    while (rs->fetchNext(&d->status, d->outBuffer.data()) == IStatus::RESULT_OK) ++rows;
    rs->close(&d->status);
    return rows;
}

}  // namespace bench
