#include "db/statement.h"

#include <ibase.h>

#include <algorithm>
#include <cstring>

#include "db/errors.h"
#include "db/named_params.h"
#include "db/statement_handle.h"
#include "db/win1251.h"

using namespace Firebird;

namespace db {
using namespace detail;

namespace {

// The column as the program sees it. Names come in the connection's code page; a quoted alias
// keeps its case, as the server knows it only so (an ORDER BY must write it as it is).
ColumnInfo describe(IMessageMetadata* meta, Status& st, unsigned i, const OutColumn& c) {
    ColumnInfo info;
    const char* alias = meta->getAlias(&st, i);
    info.name = win1251::decode(alias, qsizetype(std::strlen(alias)));
    info.type = fieldType(c.type, c.scale, unsigned(meta->getSubType(&st, i)));
    info.scale = -c.scale;
    info.size = int(c.length);
    return info;
}

// Describes a value the server is to convert: the parameter is declared as what the value is.
void declareAsValue(IMetadataBuilder* builder, Status& st, unsigned i, const QVariant& v,
                    QByteArray& text) {
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
        if (text.isNull()) text = win1251::encode(v.toString());
        set(SQL_VARYING, 0, unsigned(std::max<qsizetype>(1, text.size())));
        builder->setCharSet(&st, i, kCharsetWin1251);
    }
}

}  // namespace

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
        h->statement.reset(h->connection->attachment_->prepare(
            &st, transaction_.handle_.get(), 0, text.constData(), 3,
            IStatement::PREPARE_PREFETCH_METADATA));
        h->type = h->statement->getType(&st);
        h->inMeta.reset(h->statement->getInputMetadata(&st));
        h->outMeta.reset(h->statement->getOutputMetadata(&st));
        IMessageMetadata* in = h->inMeta.get();
        h->inLength = in->getMessageLength(&st);
        for (unsigned i = 0, count = in->getCount(&st); i < count; ++i)
            h->in.push_back({in->getType(&st, i), in->getScale(&st, i), in->getLength(&st, i),
                             in->getCharSet(&st, i), in->getOffset(&st, i),
                             in->getNullOffset(&st, i)});
        IMessageMetadata* out = h->outMeta.get();
        h->outLength = out->getMessageLength(&st);
        for (unsigned i = 0, count = out->getCount(&st); i < count; ++i) {
            const OutColumn c{out->getType(&st, i), out->getOffset(&st, i),
                              out->getNullOffset(&st, i), out->getLength(&st, i),
                              out->getScale(&st, i)};
            h->out.push_back(c);
            h->columns << describe(out, st, i, c);
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
    const Kind k = kind();
    return k == Kind::Select || k == Kind::SelectForUpdate;
}

QVector<ColumnInfo> Statement::columns() {
    prepare();
    return handle_->columns;
}

InputMessage Statement::buildInput() {
    const auto& described = handle_->in;
    const size_t count = described.size();
    if (count == 0) return {};
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
    Owned<IMessageMetadata> meta;
    if (asDescribed) {
        handle_->inMeta->addRef();
        meta.reset(handle_->inMeta.get());
    } else {
        guardedOn(*handle_->connection, [&] {
            Status st;
            const Owned<IMetadataBuilder> builder(handle_->inMeta->getBuilder(&st));
            for (unsigned i = 0; i < count; ++i)
                if (!fitsDescribed(values[i], described[i], texts[i]))
                    declareAsValue(builder.get(), st, i, values[i], texts[i]);
            meta.reset(builder->getMetadata(&st));
            for (unsigned i = 0; i < count; ++i) {
                layout[i].type = meta->getType(&st, i);
                layout[i].length = meta->getLength(&st, i);
                layout[i].offset = meta->getOffset(&st, i);
                layout[i].nullOffset = meta->getNullOffset(&st, i);
            }
            length = meta->getMessageLength(&st);
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
    return InputMessage(std::move(meta), std::move(buffer));
}

qint64 Statement::execute() {
    prepare();
    InputMessage input = buildInput();
    transaction_.ensureStarted();
    return guardedOn(*handle_->connection, [&] {
        Status& st = handle_->status;
        QByteArray output(qsizetype(handle_->outLength), '\0');
        const bool hasOutput = !handle_->out.empty() && !isSelect();
        handle_->statement->execute(&st, transaction_.handle_.get(), input.metadata(),
                                    input.data(), hasOutput ? handle_->outMeta.get() : nullptr,
                                    hasOutput ? output.data() : nullptr);
        return qint64(handle_->statement->getAffectedRecords(&st));
    });
}

Cursor Statement::openCursor() {
    prepare();
    InputMessage input = buildInput();
    transaction_.ensureStarted();
    if (handle_->outBuffer.size() != qsizetype(handle_->outLength))
        handle_->outBuffer = QByteArray(qsizetype(handle_->outLength), '\0');
    Owned<IResultSet> resultSet(guardedOn(*handle_->connection, [&] {
        return handle_->statement->openCursor(&handle_->status, transaction_.handle_.get(),
                                              input.metadata(), input.data(),
                                              handle_->outMeta.get(), 0);
    }));
    return Cursor(handle_, transaction_, std::move(resultSet));
}

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
