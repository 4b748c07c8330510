#include "raw_client.h"

#include <firebird/Interface.h>

#include <QDate>
#include <QRegularExpression>
#include <cstring>

#include <stdexcept>
#include "db/win1251.h"

using namespace Firebird;

namespace bench {
namespace {
IMaster* master() {
    return fb_get_master_interface();
}
}  // namespace

struct RawSession::State {
    ThrowStatusWrapper status{master()->getStatus()};
    IAttachment* attachment = nullptr;
    ITransaction* transaction = nullptr;
    ~State() { status.dispose(); }
};

struct RawSession::Statement::State {
    RawSession::State* session;
    IStatement* statement = nullptr;
    IMessageMetadata* in = nullptr;
    IMessageMetadata* out = nullptr;
    std::vector<unsigned char> inBuffer, outBuffer;

    ~State() {
        // Freed while the attachment is still there: statements end before their session.
        for (IReferenceCounted* handle :
             {static_cast<IReferenceCounted*>(in), static_cast<IReferenceCounted*>(out)})
            if (handle) handle->release();
        if (statement) statement->release();
    }

    void bind(const std::vector<QVariant>& params) {
        ThrowStatusWrapper& st = session->status;
        for (unsigned p = 0; p < params.size(); ++p) {
            unsigned char* at = inBuffer.data() + in->getOffset(&st, p);
            const QVariant& v = params[p];
            *reinterpret_cast<short*>(inBuffer.data() + in->getNullOffset(&st, p)) =
                v.isNull() ? -1 : 0;
            if (v.isNull()) continue;
            switch (in->getType(&st, p)) {
                case SQL_LONG:
                    *reinterpret_cast<ISC_LONG*>(at) = v.toInt();
                    break;
                case SQL_SHORT:
                    *reinterpret_cast<short*>(at) = short(v.toInt());
                    break;
                case SQL_TYPE_DATE:
                    *reinterpret_cast<ISC_DATE*>(at) = ISC_DATE(v.toDate().toJulianDay() - 2400001);
                    break;
                case SQL_VARYING: {
                    // The attachment speaks Windows-1251, as the program's does.
                    const QByteArray text = db::win1251::encode(v.toString());
                    if (unsigned(text.size()) > in->getLength(&st, p))
                        throw std::runtime_error("parameter too long");
                    *reinterpret_cast<unsigned short*>(at) =
                        static_cast<unsigned short>(text.size());
                    std::memcpy(at + 2, text.constData(), size_t(text.size()));
                    break;
                }
                case SQL_TEXT: {
                    const QByteArray text = db::win1251::encode(v.toString());
                    const unsigned length = in->getLength(&st, p);
                    if (unsigned(text.size()) > length)
                        throw std::runtime_error("parameter too long");
                    std::memset(at, ' ', length);
                    std::memcpy(at, text.constData(), size_t(text.size()));
                    break;
                }
                default:
                    throw std::runtime_error("parameter type");
            }
        }
    }
};

namespace {

// The program's transactions: read committed, record versions, no waiting.
ITransaction* startTransaction(IAttachment* attachment, ThrowStatusWrapper& status) {
    const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                                 isc_tpb_nowait};
    return attachment->startTransaction(&status, sizeof tpb, tpb);
}

}  // namespace

RawSession::RawSession(const QString& database) : d(new State) {
    IUtil* util = master()->getUtilInterface();
    IXpbBuilder* dpb = util->getXpbBuilder(&d->status, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&d->status, isc_dpb_user_name, "SYSDBA");
    dpb->insertString(&d->status, isc_dpb_lc_ctype, "WIN1251");
    const QByteArray path = database.toLocal8Bit();
    IProvider* provider = master()->getDispatcher();
    d->attachment = provider->attachDatabase(
        &d->status, path.constData(), dpb->getBufferLength(&d->status), dpb->getBuffer(&d->status));
    provider->release();
    dpb->dispose();
    d->transaction = startTransaction(d->attachment, d->status);
}

RawSession::~RawSession() {
    try {
        d->transaction->rollback(&d->status);
        d->attachment->detach(&d->status);
    } catch (const FbException&) {
    }
}

RawSession::Statement RawSession::prepare(const QString& sql) {
    Statement s;
    s.d = std::make_shared<Statement::State>();
    s.d->session = d.get();
    QString text = sql;
    text.replace(QRegularExpression(":[A-Za-z_][A-Za-z_0-9]*"), "?");
    const QByteArray bytes = db::win1251::encode(text);
    s.d->statement = d->attachment->prepare(&d->status, d->transaction, 0, bytes.constData(), 3,
                                            IStatement::PREPARE_PREFETCH_METADATA);
    s.d->in = s.d->statement->getInputMetadata(&d->status);
    s.d->out = s.d->statement->getOutputMetadata(&d->status);
    s.d->inBuffer.resize(s.d->in->getMessageLength(&d->status));
    s.d->outBuffer.resize(s.d->out->getMessageLength(&d->status));
    return s;
}

void RawSession::commitRetaining() {
    d->transaction->commitRetaining(&d->status);
}

void RawSession::commit() {
    d->transaction->commit(&d->status);
    d->transaction = startTransaction(d->attachment, d->status);
}

int RawSession::Statement::fetchAll(const std::vector<QVariant>& params) {
    d->bind(params);
    ThrowStatusWrapper& st = d->session->status;
    IResultSet* rs = d->statement->openCursor(&st, d->session->transaction, d->in,
                                              d->inBuffer.data(), d->out, 0);
    int rows = 0;
    while (rs->fetchNext(&st, d->outBuffer.data()) == IStatus::RESULT_OK) ++rows;
    rs->close(&st);
    return rows;
}

void RawSession::Statement::execute(const std::vector<QVariant>& params) {
    d->bind(params);
    ThrowStatusWrapper& st = d->session->status;
    d->statement->execute(&st, d->session->transaction, d->in, d->inBuffer.data(), nullptr,
                          nullptr);
}

}  // namespace bench
