#include "db/firebird.h"

#include <firebird/Interface.h>
#include <ibase.h>

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <utility>

#include "db/message_values.h"
#include "db/named_params.h"
#include "db/status_text.h"
#include "db/win1251.h"

using namespace Firebird;

namespace db {
using namespace detail;

namespace {

IMaster* master() {
    static IMaster* m = fb_get_master_interface();
    return m;
}
IUtil* util() {
    return master()->getUtilInterface();
}

// A throwing status wrapper that gives its status back when it goes out of scope.
class Status final {
public:
    Status() : wrapper_(master()->getStatus()) {}
    ~Status() { wrapper_.dispose(); }
    ThrowStatusWrapper* operator&() { return &wrapper_; }

private:
    ThrowStatusWrapper wrapper_;
};

// Disposes a parameter block builder however its user leaves.
struct XpbDisposer {
    void operator()(IXpbBuilder* builder) const { builder->dispose(); }
};

bool hasCode(const ISC_STATUS* vector, std::initializer_list<ISC_STATUS> codes) {
    // The vector is a list of clusters: an argument type, then its value(s).
    for (const ISC_STATUS* p = vector; *p != isc_arg_end;) {
        const ISC_STATUS type = *p++;
        if (type == isc_arg_gds && std::find(codes.begin(), codes.end(), *p) != codes.end())
            return true;
        p += (type == isc_arg_cstring) ? 2 : 1;
    }
    return false;
}

FailureKind failureKind(const ISC_STATUS* vector) {
    if (hasCode(vector, {isc_lock_conflict, isc_deadlock, isc_update_conflict}))
        return FailureKind::Conflict;
    if (hasCode(vector,
                {isc_network_error, isc_net_read_err, isc_net_write_err, isc_conn_lost,
                 isc_lost_db_connection, isc_att_shutdown, isc_shutdown, isc_net_server_shutdown}))
        return FailureKind::ConnectionLost;
    return FailureKind::Other;
}

DbError toDbError(const FbException& e) {
    IStatus* status = e.getStatus();
    const ISC_STATUS* vector = status->getErrors();
    const long gds = (vector[0] == isc_arg_gds) ? long(vector[1]) : 0;
    const int sqlCode = int(isc_sqlcode(vector));
    // The database's words and the system's come in different encodings: each is read in its
    // own ("Нет такого файла или каталога" of a missing file under a UTF-8 locale).
    QString text = statusText(vector);
    if (status->getState() & IStatus::STATE_WARNINGS) {
        const QString warnings = statusText(status->getWarnings());
        if (!warnings.isEmpty())
            text += (text.isEmpty() ? QString() : QStringLiteral("\n-")) + warnings;
    }
    // A refusal raised by the database's own rules carries its text on the third line
    // ("exception N", "-NAME", "-text", "-At trigger ..."); that text is the message.
    if (gds == isc_except) {
        const QStringList lines = text.split(u'\n');
        if (lines.size() >= 3 && lines[2].startsWith(u'-')) text = lines[2].mid(1);
    }
    // The kinds the user can do something about are said in words first, the server's text
    // following.
    const FailureKind kind = failureKind(vector);
    switch (kind) {
        case FailureKind::Conflict:
            text = QStringLiteral(
                       "Запись изменяется на другой рабочей станции. Изменения не сохранены и "
                       "остались в окне: повторите сохранение чуть позже.\n\n") +
                   text;
            break;
        case FailureKind::ConnectionLost:
            text = QStringLiteral(
                       "Нет соединения с сервером базы данных. Несохраненные изменения остались "
                       "в окне: повторите сохранение, когда сервер снова будет доступен.\n\n") +
                   text;
            break;
        case FailureKind::Other:
        case FailureKind::Cancelled:
            break;
    }
    return DbError(text, sqlCode, gds, kind);
}

// Runs f, turning a Firebird exception into DbError.
template <typename F>
auto guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const FbException& e) {
        throw toDbError(e);
    }
}

}  // namespace

// Runs f on an attachment of the connection; when the attachment turns out to be gone, the
// connection lets go of it so that its next use attaches again.
template <typename F>
auto guardedOn(Connection& connection, F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const FbException& e) {
        DbError error = toDbError(e);
        if (error.kind() == FailureKind::ConnectionLost) connection.forgetLostAttachment();
        throw error;
    }
}

namespace {

const QHash<QString, unsigned char>& dpbTags() {
    static const QHash<QString, unsigned char> tags = {
        {"lc_ctype", isc_dpb_lc_ctype},
        {"user_name", isc_dpb_user_name},
        {"user", isc_dpb_user_name},
        {"password", isc_dpb_password},
        {"sql_role_name", isc_dpb_sql_role_name},
        {"sql_dialect", isc_dpb_sql_dialect},
    };
    return tags;
}

const QHash<QString, unsigned char>& tpbTags() {
    static const QHash<QString, unsigned char> tags = {
        {"read", isc_tpb_read},
        {"write", isc_tpb_write},
        {"read_committed", isc_tpb_read_committed},
        {"rec_version", isc_tpb_rec_version},
        {"no_rec_version", isc_tpb_no_rec_version},
        {"nowait", isc_tpb_nowait},
        {"wait", isc_tpb_wait},
        {"concurrency", isc_tpb_concurrency},
        {"consistency", isc_tpb_consistency},
    };
    return tags;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

struct StatementHandle {
    Status status;         // reused by every execution of the statement
    QByteArray outBuffer;  // the row being fetched by the statement's cursor
    IStatement* statement = nullptr;
    IMessageMetadata* inMeta = nullptr;
    IMessageMetadata* outMeta = nullptr;
    Connection* connection = nullptr;
    quint64 generation = 0;
    unsigned type = 0;
    QVector<ColumnInfo> columns;
    std::vector<OutColumn> out;
    unsigned outLength = 0;
    std::vector<InParam> in;
    unsigned inLength = 0;

    bool stale() const { return !connection->isOpen() || connection->generation() != generation; }

    ~StatementHandle() {
        if (inMeta) inMeta->release();
        if (outMeta) outMeta->release();
        if (!statement) return;
        if (!stale()) {
            try {
                Status st;
                statement->free(&st);
                return;
            } catch (const FbException&) {
            }
        }
        statement->release();
    }
};

// ---------------------------------------------------------------------------------------------

Connection::Connection() = default;

Connection::~Connection() {
    try {
        close();
    } catch (const DbError&) {
        // Nothing sensible to report while the owner is being destroyed.
    }
}

QString Connection::param(const QString& name) const {
    const QString prefix = name + u'=';
    for (const QString& p : params_)
        if (p.startsWith(prefix, Qt::CaseInsensitive)) return p.mid(prefix.size());
    return {};
}

void Connection::setParam(const QString& name, const QString& value) {
    const QString prefix = name + u'=';
    for (QString& p : params_) {
        if (p.startsWith(prefix, Qt::CaseInsensitive)) {
            p = prefix + value;
            return;
        }
    }
    params_ << prefix + value;
}

namespace {

// A login text in the database's code page. A character the code page lacks is refused naming
// what it was typed for; the password's characters are never shown, not even in an error.
QByteArray loginBytes(const QString& name, const QString& value) {
    const QString outside = win1251::charactersOutside(value);
    if (outside.isEmpty()) return win1251::encode(value);
    if (name == QLatin1String("password"))
        throw DbError(QStringLiteral(
            "Пароль содержит символы, которых нет в кодировке базы данных (Windows-1251)."));
    const QString what = name.startsWith(QLatin1String("user"))
                             ? QStringLiteral("Имя пользователя")
                             : QStringLiteral("Параметр подключения %1").arg(name);
    throw DbError(QStringLiteral("%1 содержит символы, которых нет в кодировке базы данных: %2")
                      .arg(what, outside));
}

}  // namespace

QByteArray Connection::buildDpb(bool forCreate) {
    return guarded([&] {
        Status st;
        const std::unique_ptr<IXpbBuilder, XpbDisposer> dpb(
            util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
        bool dialectGiven = false;
        for (const QString& line : params_) {
            const qsizetype eq = line.indexOf(u'=');
            const QString name = (eq < 0 ? line : line.left(eq)).trimmed().toLower();
            const QString value = eq < 0 ? QString() : line.mid(eq + 1);
            const auto tag = dpbTags().find(name);
            if (tag == dpbTags().end())
                throw DbError(QStringLiteral("Неизвестный параметр подключения: %1").arg(line));
            if (*tag == isc_dpb_sql_dialect) {
                dpb->insertInt(&st, *tag, value.toInt());
                dialectGiven = true;
            } else {
                dpb->insertString(&st, *tag, loginBytes(name, value).constData());
            }
        }
        if (loginPassword_)
            dpb->insertString(&st, isc_dpb_password,
                              loginBytes(QStringLiteral("password"), *loginPassword_).constData());
        if (!dialectGiven) dpb->insertInt(&st, isc_dpb_sql_dialect, 3);
        if (forCreate) {
            dpb->insertString(&st, isc_dpb_set_db_charset, "WIN1251");
            dpb->insertInt(&st, isc_dpb_page_size, 8192);
        }
        return QByteArray(reinterpret_cast<const char*>(dpb->getBuffer(&st)),
                          qsizetype(dpb->getBufferLength(&st)));
    });
}

void Connection::attach(bool create) {
    if (isOpen()) return;
    if (lost_ && acceptedPassword_) {
        // Attaching again after a loss: the login the user gave is still the one.
        loginPassword_ = acceptedPassword_;
    } else if (loginPrompt_) {
        LoginRequest request{databaseName_, param("user_name"), param("password")};
        if (!loginHandler_ || !loginHandler_(request))
            throw DbError(QStringLiteral("Подключение к базе данных отменено пользователем."), 0,
                          isc_cancelled, FailureKind::Cancelled);
        setParam("user_name", request.userName);
        loginPassword_ = request.password;
    }
    const QByteArray dpb = buildDpb(create);
    const std::optional<QString> tried = std::exchange(loginPassword_, std::nullopt);
    const QByteArray path = databaseName_.toLocal8Bit();
    attachment_ = guarded([&] {
        Status st;
        IProvider* provider = master()->getDispatcher();
        IAttachment* a = nullptr;
        try {
            a = create ? provider->createDatabase(
                             &st, path.constData(), unsigned(dpb.size()),
                             reinterpret_cast<const unsigned char*>(dpb.constData()))
                       : provider->attachDatabase(
                             &st, path.constData(), unsigned(dpb.size()),
                             reinterpret_cast<const unsigned char*>(dpb.constData()));
        } catch (...) {
            provider->release();
            throw;
        }
        provider->release();
        return a;
    });
    ++generation_;
    lost_ = false;
    if (tried) acceptedPassword_ = tried;
}

void Connection::open() {
    attach(false);
}
void Connection::createDatabase() {
    attach(true);
}

void Connection::close() {
    if (!isOpen()) return;
    try {
        for (Transaction* t : transactions_)
            if (t->isActive()) t->rollback();
        guardedOn(*this, [&] {
            Status st;
            attachment_->detach(&st);
        });
    } catch (const DbError& e) {
        // An attachment already gone needs no detaching: the connection has let go of it.
        if (e.kind() != FailureKind::ConnectionLost) throw;
    }
    attachment_ = nullptr;
    lost_ = false;
    acceptedPassword_.reset();
}

void Connection::forgetLostAttachment() noexcept {
    if (!attachment_) return;
    for (Transaction* t : transactions_) {
        if (!t->handle_) continue;
        t->handle_->release();
        t->handle_ = nullptr;
    }
    attachment_->release();
    attachment_ = nullptr;
    lost_ = true;
}

void Connection::dropDatabase() {
    if (!isOpen()) throw DbError(QStringLiteral("Нет подключения к базе данных."));
    for (Transaction* t : transactions_)
        if (t->isActive()) t->rollback();
    guardedOn(*this, [&] {
        Status st;
        attachment_->dropDatabase(&st);
    });
    attachment_ = nullptr;
}

// ---------------------------------------------------------------------------------------------

Transaction::Transaction(Connection& connection, QStringList params)
    : connection_(connection), params_(std::move(params)) {
    connection_.transactions_.push_back(this);
}

Transaction::~Transaction() {
    releaseAfterRollback();
    auto& list = connection_.transactions_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void Transaction::releaseAfterRollback() noexcept {
    if (!handle_) return;
    try {
        Status st;
        handle_->rollback(&st);
    } catch (const FbException&) {
        handle_->release();
    }
    handle_ = nullptr;
}

void Transaction::start() {
    if (isActive()) throw DbError(QStringLiteral("Транзакция уже запущена."));
    if (!connection_.isOpen()) throw DbError(QStringLiteral("Нет подключения к базе данных."));
    handle_ = guardedOn(connection_, [&] {
        Status st;
        const std::unique_ptr<IXpbBuilder, XpbDisposer> tpb(
            util()->getXpbBuilder(&st, IXpbBuilder::TPB, nullptr, 0));
        for (const QString& p : params_) {
            const auto tag = tpbTags().find(p.trimmed().toLower());
            if (tag == tpbTags().end())
                throw DbError(QStringLiteral("Неизвестный параметр транзакции: %1").arg(p));
            tpb->insertTag(&st, *tag);
        }
        return connection_.attachment_->startTransaction(&st, tpb->getBufferLength(&st),
                                                         tpb->getBuffer(&st));
    });
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
    });
    handle_ = nullptr;
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
    });
    handle_ = nullptr;
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

// ---------------------------------------------------------------------------------------------

// A statement has one open cursor at a time, so the cursor borrows the statement's status and
// output buffer instead of allocating its own at every opening.
struct Cursor::State {
    std::shared_ptr<StatementHandle> handle;
    Transaction* transaction = nullptr;
    IResultSet* resultSet = nullptr;
    Status& status() { return handle->status; }
    QByteArray& buffer() { return handle->outBuffer; }

    QVariant readBlob(const ISC_QUAD& id) {
        return guardedOn(*handle->connection, [&] {
            Status st;
            ISC_QUAD blobId = id;
            IBlob* blob = handle->connection->attachment_->openBlob(&st, transaction->handle_,
                                                                    &blobId, 0, nullptr);
            QByteArray bytes;
            char chunk[16384];
            unsigned got = 0;
            for (;;) {
                const int rc = blob->getSegment(&st, sizeof chunk, chunk, &got);
                if (rc == IStatus::RESULT_OK || rc == IStatus::RESULT_SEGMENT)
                    bytes.append(chunk, qsizetype(got));
                else
                    break;
            }
            blob->close(&st);
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
                resultSet = nullptr;
                return;
            } catch (const FbException&) {
            }
        }
        resultSet->release();
        resultSet = nullptr;
    }
};

Cursor::Cursor(std::unique_ptr<State> state) : d(std::move(state)) {}
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

// ---------------------------------------------------------------------------------------------

Statement::Statement(Transaction& transaction, const QString& sql) : transaction_(transaction) {
    if (!sql.isEmpty()) setSql(sql);
}

Statement::~Statement() = default;

void Statement::setSql(const QString& sql) {
    if (sql == sql_ && handle_) return;
    sql_ = sql;
    handle_.reset();
    positional_ = paramCheck_ ? rewriteNamedParams(sql).names : QStringList();
}

void Statement::setParamCheck(bool on) {
    paramCheck_ = on;
    handle_.reset();
    positional_ = paramCheck_ ? rewriteNamedParams(sql_).names : QStringList();
}

QStringList Statement::paramNames() const {
    QStringList names;
    for (const QString& n : positional_)
        if (!names.contains(n)) names << n;
    return names;
}

bool Statement::hasParam(const QString& name) const {
    return positional_.contains(name.toUpper());
}

void Statement::setParam(const QString& name, const QVariant& value) {
    const QString key = name.toUpper();
    if (!positional_.contains(key))
        throw DbError(QStringLiteral("Параметр %1 не найден в запросе.").arg(name));
    params_.insert(key, value);
}

void Statement::prepare() {
    if (handle_ && !handle_->stale()) return;
    handle_.reset();
    transaction_.ensureStarted();
    const NamedSql named = paramCheck_ ? rewriteNamedParams(sql_) : NamedSql{sql_, {}};
    const QByteArray text = win1251::encode(named.sql);
    auto h = std::make_shared<StatementHandle>();
    h->connection = &transaction_.connection();
    h->generation = h->connection->generation();
    guardedOn(*h->connection, [&] {
        Status st;
        h->statement =
            h->connection->attachment_->prepare(&st, transaction_.handle_, 0, text.constData(), 3,
                                                IStatement::PREPARE_PREFETCH_METADATA);
        h->type = h->statement->getType(&st);
        h->inMeta = h->statement->getInputMetadata(&st);
        h->outMeta = h->statement->getOutputMetadata(&st);
        const unsigned inCount = h->inMeta->getCount(&st);
        h->inLength = h->inMeta->getMessageLength(&st);
        for (unsigned i = 0; i < inCount; ++i)
            h->in.push_back({h->inMeta->getType(&st, i), h->inMeta->getScale(&st, i),
                             h->inMeta->getLength(&st, i), h->inMeta->getCharSet(&st, i),
                             h->inMeta->getOffset(&st, i), h->inMeta->getNullOffset(&st, i)});
        const unsigned count = h->outMeta->getCount(&st);
        h->outLength = h->outMeta->getMessageLength(&st);
        for (unsigned i = 0; i < count; ++i) {
            OutColumn c{h->outMeta->getType(&st, i), h->outMeta->getOffset(&st, i),
                        h->outMeta->getNullOffset(&st, i), h->outMeta->getLength(&st, i),
                        h->outMeta->getScale(&st, i)};
            h->out.push_back(c);
            ColumnInfo info;
            // Names come in the connection's code page; a quoted alias keeps its case, as the
            // server knows it only so (an ORDER BY must write it as it is).
            const char* alias = h->outMeta->getAlias(&st, i);
            info.name = win1251::decode(alias, qsizetype(std::strlen(alias)));
            info.type = fieldType(c.type, c.scale, unsigned(h->outMeta->getSubType(&st, i)));
            info.scale = -c.scale;
            const bool text = c.type == SQL_TEXT || c.type == SQL_VARYING;
            info.size = text ? int(c.length) : int(c.length);
            h->columns << info;
        }
    });
    positional_ = named.names;
    handle_ = std::move(h);
}

Statement::Kind Statement::kind() {
    prepare();
    switch (handle_->type) {
        case isc_info_sql_stmt_select: return Kind::Select;
        case isc_info_sql_stmt_select_for_upd: return Kind::SelectForUpdate;
        case isc_info_sql_stmt_insert: return Kind::Insert;
        case isc_info_sql_stmt_update: return Kind::Update;
        case isc_info_sql_stmt_delete: return Kind::Delete;
        case isc_info_sql_stmt_ddl: return Kind::Ddl;
        case isc_info_sql_stmt_commit: return Kind::Commit;
        case isc_info_sql_stmt_rollback: return Kind::Rollback;
        case isc_info_sql_stmt_start_trans: return Kind::StartTransaction;
        case isc_info_sql_stmt_exec_procedure: return Kind::ExecuteProcedure;
        case isc_info_sql_stmt_set_generator: return Kind::SetGenerator;
        case isc_info_sql_stmt_savepoint: return Kind::Savepoint;
        default: return Kind::Other;
    }
}

bool Statement::isSelect() {
    prepare();
    return handle_->type == isc_info_sql_stmt_select ||
           handle_->type == isc_info_sql_stmt_select_for_upd;
}

QVector<ColumnInfo> Statement::columns() {
    prepare();
    return handle_->columns;
}

QByteArray Statement::buildInput(IMessageMetadata** meta) {
    *meta = nullptr;
    const auto& described = handle_->in;
    const size_t count = described.size();
    if (count == 0) return QByteArray();
    std::vector<QVariant> values(count);
    std::vector<QByteArray> texts(count);
    bool asDescribed = true;
    for (size_t i = 0; i < count; ++i) {
        values[i] = params_.value(positional_.value(int(i)));
        if (isText(values[i])) texts[i] = win1251::encode(values[i].toString());
        asDescribed = asDescribed && fitsDescribed(values[i], described[i], texts[i]);
    }

    // Usually the values fit the parameters as the server described them; otherwise the
    // message says what each value is and the server converts it (its own errors included).
    std::vector<InParam> layout = described;
    unsigned length = handle_->inLength;
    if (asDescribed) {
        handle_->inMeta->addRef();
        *meta = handle_->inMeta;
    } else {
        guardedOn(*handle_->connection, [&] {
            Status st;
            IMetadataBuilder* builder = handle_->inMeta->getBuilder(&st);
            try {
                for (unsigned i = 0; i < count; ++i) {
                    const QVariant& v = values[i];
                    if (fitsDescribed(v, described[i], texts[i])) continue;
                    auto set = [&](unsigned type, int scale, unsigned size) {
                        builder->setType(&st, i, type);
                        builder->setScale(&st, i, scale);
                        builder->setLength(&st, i, size);
                    };
                    if (isInteger(v))
                        set(SQL_INT64, 0, sizeof(ISC_INT64));
                    else if (v.userType() == qMetaTypeId<Decimal>())
                        set(SQL_INT64, -v.value<Decimal>().scale(), sizeof(ISC_INT64));
                    else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
                        set(SQL_DOUBLE, 0, sizeof(double));
                    else if (v.typeId() == QMetaType::QDate)
                        set(SQL_TYPE_DATE, 0, sizeof(ISC_DATE));
                    else if (v.typeId() == QMetaType::QTime)
                        set(SQL_TYPE_TIME, 0, sizeof(ISC_TIME));
                    else if (v.typeId() == QMetaType::QDateTime)
                        set(SQL_TIMESTAMP, 0, sizeof(ISC_TIMESTAMP));
                    else {
                        if (texts[i].isNull()) texts[i] = win1251::encode(v.toString());
                        set(SQL_VARYING, 0, unsigned(std::max<qsizetype>(1, texts[i].size())));
                        builder->setCharSet(&st, i, kCharsetWin1251);
                    }
                }
                *meta = builder->getMetadata(&st);
            } catch (...) {
                builder->release();
                throw;
            }
            builder->release();
            for (unsigned i = 0; i < count; ++i) {
                layout[i].type = (*meta)->getType(&st, i);
                layout[i].length = (*meta)->getLength(&st, i);
                layout[i].offset = (*meta)->getOffset(&st, i);
                layout[i].nullOffset = (*meta)->getNullOffset(&st, i);
            }
            length = (*meta)->getMessageLength(&st);
        });
    }

    QByteArray buffer(qsizetype(length), '\0');
    char* base = buffer.data();
    for (size_t i = 0; i < count; ++i) {
        const InParam& p = layout[i];
        auto* nullFlag = reinterpret_cast<short*>(base + p.nullOffset);
        *nullFlag = values[i].isNull() ? -1 : 0;
        if (!values[i].isNull()) writeValue(base + p.offset, p.type, p.length, values[i], texts[i]);
    }
    return buffer;
}

qint64 Statement::execute() {
    prepare();
    IMessageMetadata* inMeta = nullptr;
    QByteArray input = buildInput(&inMeta);
    struct MetaRelease {
        IMessageMetadata* m;
        ~MetaRelease() {
            if (m) m->release();
        }
    } guard{inMeta};
    transaction_.ensureStarted();
    return guardedOn(*handle_->connection, [&] {
        Status& st = handle_->status;
        QByteArray output(qsizetype(handle_->outLength), '\0');
        const bool hasOutput = !handle_->out.empty() && !isSelect();
        handle_->statement->execute(
            &st, transaction_.handle_, inMeta, input.isEmpty() ? nullptr : input.data(),
            hasOutput ? handle_->outMeta : nullptr, hasOutput ? output.data() : nullptr);
        return qint64(handle_->statement->getAffectedRecords(&st));
    });
}

Cursor Statement::openCursor() {
    prepare();
    IMessageMetadata* inMeta = nullptr;
    QByteArray input = buildInput(&inMeta);
    struct MetaRelease {
        IMessageMetadata* m;
        ~MetaRelease() {
            if (m) m->release();
        }
    } guard{inMeta};
    transaction_.ensureStarted();
    auto state = std::make_unique<Cursor::State>();
    state->handle = handle_;
    state->transaction = &transaction_;
    if (handle_->outBuffer.size() != qsizetype(handle_->outLength))
        handle_->outBuffer = QByteArray(qsizetype(handle_->outLength), '\0');
    state->resultSet = guardedOn(*handle_->connection, [&] {
        return handle_->statement->openCursor(&handle_->status, transaction_.handle_, inMeta,
                                              input.isEmpty() ? nullptr : input.data(),
                                              handle_->outMeta, 0);
    });
    ++transaction_.openCursors_;
    return Cursor(std::move(state));
}

// ---------------------------------------------------------------------------------------------

std::vector<QVector<QVariant>> queryRows(Transaction& tr, const QString& sql,
                                         const QVariantMap& params) {
    Statement statement(tr, sql);
    for (auto it = params.begin(); it != params.end(); ++it)
        statement.setParam(it.key(), it.value());
    Cursor cursor = statement.openCursor();
    std::vector<QVector<QVariant>> rows;
    QVector<QVariant> row;
    while (cursor.fetch(row)) rows.push_back(row);
    return rows;
}

qint64 executeSql(Transaction& tr, const QString& sql, const QVariantMap& params) {
    Statement statement(tr, sql);
    for (auto it = params.begin(); it != params.end(); ++it)
        statement.setParam(it.key(), it.value());
    return statement.execute();
}

void executeRaw(Transaction& tr, const QString& sql) {
    Statement statement(tr);
    statement.setParamCheck(false);
    statement.setSql(sql);
    statement.execute();
}

}  // namespace db
