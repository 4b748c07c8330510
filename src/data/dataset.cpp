#include "data/dataset.h"

#include <algorithm>

#include "db/win1251.h"

namespace data {

Dataset::Dataset(db::Transaction& transaction, const QString& name, QObject* parent)
    : QObject(parent), transaction_(transaction), name_(name), statement_(transaction) {
    setObjectName(name);
}

Dataset::~Dataset() = default;

void Dataset::setSql(const QString& sql) {
    if (isActive()) close();
    if (sql != statement_.sql()) fields_.clear();
    statement_.setSql(sql);
}

void Dataset::setParam(const QString& name, const QVariant& value) {
    statement_.setParam(name, value);
}

void Dataset::declareFields(const QList<FieldSpec>& specs) {
    specs_ = specs;
    fields_.clear();
}

void Dataset::setGenerator(const QString& keyField, const QString& generator) {
    keyField_ = keyField.toUpper();
    generator_ = generator;
}

void Dataset::setUpdateSql(const UpdateSql& updateSql) {
    updateSql_ = updateSql;
}

void Dataset::setValidator(const QString& field,
                           std::function<void(Dataset&, const QVariant&)> validator) {
    validators_.insert(field.toUpper(), std::move(validator));
}

// ---------------------------------------------------------------------------------------------

void Dataset::buildFields(const QVector<db::ColumnInfo>& columns) {
    QHash<QString, int> columnIndex;
    for (int i = 0; i < columns.size(); ++i)
        if (!columnIndex.contains(columns[i].name)) columnIndex.insert(columns[i].name, i);
    fields_.clear();
    columnOfField_.clear();
    fieldIndex_.clear();
    auto add = [&](const db::ColumnInfo& c, int column, const FieldSpec* declared) {
        Field f;
        f.name = c.name;
        f.type = c.type;
        f.size = c.size;
        f.scale = c.scale;
        if (declared) {
            f.label = declared->label;
            f.visible = declared->visible;
            f.displayWidth = declared->displayWidth;
            f.readOnly = declared->readOnly;
        }
        fieldIndex_.insert(f.name, int(fields_.size()));
        fields_ << f;
        columnOfField_ << column;
    };
    // Declared fields first, in the order declared; the statement's other columns follow.
    for (const FieldSpec& declared : specs_) {
        const QString name = declared.name.toUpper();
        const auto it = columnIndex.find(name);
        if (it == columnIndex.end())
            throw db::DbError(
                QStringLiteral("Поле %1 не найдено в наборе данных %2.").arg(name, name_));
        if (!fieldIndex_.contains(name)) add(columns[*it], *it, &declared);
    }
    // Where fields are declared, the others stay readable and writable but no grid shows them.
    for (int i = 0; i < columns.size(); ++i) {
        if (fieldIndex_.contains(columns[i].name)) continue;
        add(columns[i], i, nullptr);
        if (!specs_.isEmpty()) fields_.last().visible = false;
    }
}

void Dataset::open() {
    if (isActive()) return;
    // Connect and run the statement before telling anyone, so nothing is left half-reset.
    transaction_.ensureStarted();
    db::Cursor cursor = statement_.openCursor();
    emit aboutToReset();
    rows_.clear();
    deleted_.clear();
    try {
        if (fields_.isEmpty() || columnOfField_.size() != cursor.columns().size())
            buildFields(cursor.columns());
        QVector<QVariant> raw;
        const int n = int(fields_.size());
        bool identity = true;
        for (int i = 0; i < n; ++i) identity = identity && columnOfField_[i] == i;
        // Each row is fetched into a vector of its own, so no row is ever copied.
        while (cursor.fetch(raw)) {
            Row row;
            if (identity) {
                row.values = std::move(raw);
                raw = QVector<QVariant>();
            } else {
                row.values.resize(n);
                for (int i = 0; i < n; ++i) row.values[i] = std::move(raw[columnOfField_[i]]);
            }
            row.original = row.values;
            rows_.push_back(std::move(row));
        }
    } catch (...) {
        rows_.clear();
        emit resetDone();
        throw;
    }
    state_ = DatasetState::Browse;
    modified_ = false;
    current_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    emit resetDone();  // a new current record too
    emit stateChanged();
    emit opened();
    if (!rows_.empty() && afterScroll) afterScroll(*this);
}

void Dataset::close() {
    if (!isActive()) return;
    emit aboutToReset();
    rows_.clear();
    deleted_.clear();
    editBuffer_.clear();
    current_ = -1;
    bof_ = eof_ = true;
    modified_ = false;
    state_ = DatasetState::Inactive;
    emit resetDone();
    emit stateChanged();
}

// ---------------------------------------------------------------------------------------------

int Dataset::fieldIndex(const QString& name) const {
    // Names usually come in upper case already; only the others pay for the conversion.
    const auto it = fieldIndex_.constFind(name);
    return it != fieldIndex_.cend() ? *it : fieldIndex_.value(name.toUpper(), -1);
}

const Field& Dataset::field(const QString& name) const {
    const int i = fieldIndex(name);
    if (i < 0)
        throw db::DbError(
            QStringLiteral("Поле %1 не найдено в наборе данных %2.").arg(name, name_));
    return fields_[i];
}

Field& Dataset::field(const QString& name) {
    return const_cast<Field&>(static_cast<const Dataset*>(this)->field(name));
}

QString Dataset::labelOf(const QString& name) const {
    const int i = fieldIndex(name);
    if (i >= 0) return fields_[i].displayLabel();
    for (const FieldSpec& declared : specs_)
        if (declared.name.compare(name, Qt::CaseInsensitive) == 0)
            return declared.label.isEmpty() ? declared.name : declared.label;
    return name;
}

QVariant Dataset::value(int column) const {
    if (current_ < 0 || column < 0 || column >= fields_.size()) return {};
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) return editBuffer_[column];
    return rows_[size_t(current_)].values[column];
}

QVariant Dataset::value(const QString& name) const {
    if (!isActive()) return {};
    const int i = fieldIndex(name);
    if (i < 0) field(name);  // throws the "no such field" error
    return value(i);
}

QVariant Dataset::valueAt(int row, int column) const {
    if (row < 0 || row >= recordCount() || column < 0 || column >= fields_.size()) return {};
    if (row == current_ && (state_ == DatasetState::Edit || state_ == DatasetState::Insert))
        return editBuffer_[column];
    return rows_[size_t(row)].values[column];
}

void Dataset::setValue(const QString& name, const QVariant& value) {
    const int i = fieldIndex(name);
    if (i < 0) field(name);  // throws the "no such field" error
    setValue(i, value);
}

void Dataset::setValue(int column, const QVariant& value) {
    requireEditing();
    const Field& f = fields_[column];
    const QVariant v = coerce(f, value);
    const auto validator = validators_.find(f.name);
    if (validator != validators_.end()) (*validator)(*this, v);
    editBuffer_[column] = v;
    modified_ = true;
    emit rowChanged(current_);
}

// ---------------------------------------------------------------------------------------------

void Dataset::requireActive() const {
    if (!isActive()) throw db::DbError(QStringLiteral("Набор данных %1 закрыт.").arg(name_));
}

void Dataset::requireEditing() const {
    if (state_ != DatasetState::Edit && state_ != DatasetState::Insert)
        throw db::DbError(QStringLiteral("Набор данных %1 не в режиме редактирования.").arg(name_));
}

void Dataset::setState(DatasetState s) {
    if (state_ == s) return;
    state_ = s;
    emit stateChanged();
}

void Dataset::checkBrowseMode() {
    requireActive();
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) {
        if (modified_)
            post();
        else
            cancel();
    }
}

void Dataset::setCurrent(int row, bool notify) {
    current_ = row;
    emit currentChanged(row);
    if (notify && row >= 0 && afterScroll) afterScroll(*this);
}

void Dataset::first() {
    checkBrowseMode();
    bof_ = true;
    eof_ = rows_.empty();
    setCurrent(rows_.empty() ? -1 : 0, true);
}

void Dataset::last() {
    checkBrowseMode();
    eof_ = true;
    bof_ = rows_.empty();
    setCurrent(int(rows_.size()) - 1, true);
}

void Dataset::next() {
    checkBrowseMode();
    if (current_ + 1 < recordCount()) {
        bof_ = false;
        setCurrent(current_ + 1, true);
    } else {
        eof_ = true;
    }
}

void Dataset::moveTo(int row) {
    requireActive();
    // Staying on the current row keeps a row being edited or inserted as it is.
    if (row < 0 || row >= recordCount() || row == current_) return;
    checkBrowseMode();
    if (row >= recordCount()) return;
    bof_ = eof_ = false;
    setCurrent(row, true);
}

bool Dataset::matches(const QVariant& have, const QVariant& want, int options) {
    if (have.isNull() || want.isNull()) return have.isNull() && want.isNull();
    const bool text = have.typeId() == QMetaType::QString || want.typeId() == QMetaType::QString;
    if (text || (options & (LocateCaseInsensitive | LocatePartialKey))) {
        QString h = have.userType() == qMetaTypeId<db::Decimal>()
                        ? have.value<db::Decimal>().toString()
                        : have.toString();
        QString w = want.toString();
        if (options & LocateCaseInsensitive) {
            h = db::win1251::toUpper(h);
            w = db::win1251::toUpper(w);
        }
        return (options & LocatePartialKey) ? h.startsWith(w) : h == w;
    }
    if (have.userType() == qMetaTypeId<db::Decimal>() ||
        want.userType() == qMetaTypeId<db::Decimal>()) {
        const auto a = db::Decimal::fromString(have.userType() == qMetaTypeId<db::Decimal>()
                                                   ? have.value<db::Decimal>().toString()
                                                   : have.toString());
        const auto b = db::Decimal::fromString(want.userType() == qMetaTypeId<db::Decimal>()
                                                   ? want.value<db::Decimal>().toString()
                                                   : want.toString());
        return a && b && *a == *b;
    }
    return QVariant::compare(have, want) == QPartialOrdering::Equivalent;
}

bool Dataset::locate(const QString& name, const QVariant& value, int options) {
    checkBrowseMode();
    const int column = fieldIndex(name);
    if (column < 0) field(name);
    for (int row = 0; row < recordCount(); ++row) {
        if (matches(rows_[size_t(row)].values[column], value, options)) {
            bof_ = eof_ = false;
            setCurrent(row, true);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

void Dataset::edit() {
    requireActive();
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) return;
    // An empty dataset has no record to change; adding one is for insert().
    if (rows_.empty()) throw db::DbError(QStringLiteral("Нет записи для изменения."));
    editBuffer_ = rows_[size_t(current_)].values;
    modified_ = false;
    setState(DatasetState::Edit);
}

void Dataset::beginInsert(int position) {
    emit rowAboutToBeInserted(position);
    Row row;
    row.values = QVector<QVariant>(fields_.size());
    row.original = row.values;
    row.op = RowOp::Inserted;
    rows_.insert(rows_.begin() + position, std::move(row));
    // The new row is current and in insert state before anyone hears of it.
    current_ = position;
    editBuffer_ = rows_[size_t(position)].values;
    modified_ = false;
    bof_ = eof_ = false;
    state_ = DatasetState::Insert;
    emit rowInserted(position);
    emit stateChanged();
    emit currentChanged(current_);
    if (!generator_.isEmpty()) {
        const int key = fieldIndex(keyField_);
        if (key >= 0 && editBuffer_[key].isNull()) {
            try {
                editBuffer_[key] =
                    coerce(fields_[key], transaction_.nextGeneratorValue(generator_));
            } catch (...) {
                cancel();
                throw;
            }
        }
    }
    if (afterInsert) afterInsert(*this);
    if (afterScroll) afterScroll(*this);
}

void Dataset::insert() {
    checkBrowseMode();
    beginInsert(current_ < 0 ? 0 : current_);
}

void Dataset::append() {
    checkBrowseMode();
    beginInsert(recordCount());
}

void Dataset::post() {
    if (state_ == DatasetState::Browse || state_ == DatasetState::Inactive) return;
    Row& row = rows_[size_t(current_)];
    row.values = editBuffer_;
    if (state_ == DatasetState::Insert) {
        row.sequence = ++sequence_;
    } else if (modified_ && row.op == RowOp::None) {
        row.op = RowOp::Modified;
        row.sequence = ++sequence_;
    }
    modified_ = false;
    setState(DatasetState::Browse);
    emit rowChanged(current_);
}

void Dataset::cancel() {
    if (state_ == DatasetState::Edit) {
        editBuffer_.clear();
        modified_ = false;
        setState(DatasetState::Browse);
        emit rowChanged(current_);
    } else if (state_ == DatasetState::Insert) {
        const int position = current_;
        editBuffer_.clear();
        modified_ = false;
        state_ = DatasetState::Browse;
        emit rowAboutToBeRemoved(position);
        rows_.erase(rows_.begin() + position);
        current_ = std::min(position, recordCount() - 1);
        emit rowRemoved(position);
        emit stateChanged();
        setCurrent(current_, true);
    }
}

void Dataset::remove() {
    requireActive();
    if (state_ == DatasetState::Insert) {
        cancel();
        return;
    }
    if (state_ == DatasetState::Edit) cancel();
    if (rows_.empty()) throw db::DbError(QStringLiteral("Нет записи для удаления."));
    if (!isBuffered())
        throw db::DbError(QStringLiteral("Набор данных %1 только для чтения.").arg(name_));
    const int position = current_;
    emit rowAboutToBeRemoved(position);
    Row row = std::move(rows_[size_t(position)]);
    rows_.erase(rows_.begin() + position);
    if (row.op != RowOp::Inserted) {
        row.values = row.original;
        row.sequence = ++sequence_;
        deleted_.push_back({std::move(row), position});
    }
    current_ = std::min(position, recordCount() - 1);
    bof_ = eof_ = rows_.empty();
    emit rowRemoved(position);
    setCurrent(current_, true);
}

// ---------------------------------------------------------------------------------------------

bool Dataset::updatesPending() const {
    if (state_ == DatasetState::Insert || (state_ == DatasetState::Edit && modified_)) return true;
    if (!deleted_.empty()) return true;
    return std::any_of(rows_.begin(), rows_.end(),
                       [](const Row& r) { return r.op != RowOp::None; });
}

void Dataset::sendRow(const QString& sql, const Row& row, const char* what) {
    if (sql.trimmed().isEmpty())
        throw db::DbError(QStringLiteral("Для набора данных %1 не задан оператор %2.")
                              .arg(name_, QString::fromLatin1(what)));
    auto& cached = writeStatements_[sql];
    if (!cached) cached = std::make_shared<db::Statement>(transaction_, sql);
    db::Statement& statement = *cached;
    for (const QString& p : statement.paramNames()) {
        const bool old = p.startsWith(QStringLiteral("OLD_"));
        const int i = fieldIndex(old ? p.mid(4) : p);
        QVariant v;
        if (i >= 0) v = old ? row.original[i] : row.values[i];
        statement.setParam(p, v);
    }
    // A row changed or deleted as it was read must still be there: finding none is a failure,
    // never a silent success.
    const qint64 affected = statement.execute();
    if (affected == 0 && qstrcmp(what, "insert") != 0)
        throw db::DbError(
            QStringLiteral("Запись не сохранена: её уже изменили или удалили на "
                           "другой рабочей станции. Перечитайте данные."));
}

void Dataset::applyUpdates() {
    requireActive();
    post();
    if (!updateSql_) {
        if (updatesPending())
            throw db::DbError(QStringLiteral("Набор данных %1 только для чтения.").arg(name_));
        return;
    }
    struct Change {
        quint64 sequence;
        const Row* row;
        const QString* sql;
        const char* what;
    };
    std::vector<Change> changes;
    for (const DeletedRow& d : deleted_)
        changes.push_back({d.row.sequence, &d.row, &updateSql_->deleteSql, "delete"});
    for (const Row& r : rows_) {
        if (r.op == RowOp::Inserted)
            changes.push_back({r.sequence, &r, &updateSql_->insertSql, "insert"});
        else if (r.op == RowOp::Modified)
            changes.push_back({r.sequence, &r, &updateSql_->modifySql, "modify"});
    }
    std::sort(changes.begin(), changes.end(),
              [](const Change& a, const Change& b) { return a.sequence < b.sequence; });
    for (const Change& c : changes) sendRow(*c.sql, *c.row, c.what);
}

void Dataset::commitUpdates() {
    for (Row& r : rows_) {
        r.op = RowOp::None;
        r.original = r.values;
    }
    deleted_.clear();
}

void Dataset::cancelUpdates() {
    if (!isActive()) return;
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) cancel();
    emit aboutToReset();
    std::vector<Row> kept;
    kept.reserve(rows_.size());
    for (Row& r : rows_) {
        if (r.op == RowOp::Inserted) continue;
        r.values = r.original;
        r.op = RowOp::None;
        kept.push_back(std::move(r));
    }
    rows_ = std::move(kept);
    putBackDeleted();
    // The current row is settled before anyone is told: listeners read it.
    current_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    emit resetDone();
    setCurrent(current_, true);
}

void Dataset::putBackDeleted() {
    std::sort(deleted_.begin(), deleted_.end(),
              [](const DeletedRow& a, const DeletedRow& b) { return a.position < b.position; });
    for (DeletedRow& d : deleted_) {
        d.row.op = RowOp::None;
        const auto at = std::min<size_t>(size_t(d.position), rows_.size());
        rows_.insert(rows_.begin() + at, std::move(d.row));
    }
    deleted_.clear();
}

void Dataset::restoreDeleted() {
    if (!isActive() || deleted_.empty()) return;
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) post();
    const int current = current_;
    emit aboutToReset();
    putBackDeleted();
    current_ = std::clamp(current, 0, recordCount() - 1);
    emit resetDone();
    setCurrent(current_, true);
}

void Dataset::save(SaveFailure onFailure) {
    try {
        saveTogether({this});
    } catch (...) {
        if (onFailure == SaveFailure::CancelChanges) cancelUpdates();
        throw;
    }
}

void Dataset::removeAndSave() {
    remove();
    try {
        saveTogether({this});
    } catch (...) {
        restoreDeleted();
        throw;
    }
}

void rollBackKeepingError(db::Transaction& transaction) {
    // Called while a failure is being handled: a rollback that fails too (the connection is
    // gone, say) must not replace the failure the user needs to see.
    try {
        if (transaction.isActive()) transaction.rollbackRetaining();
    } catch (...) {
    }
}

void saveTogether(std::initializer_list<Dataset*> datasets) {
    if (datasets.size() == 0) return;
    db::Transaction& transaction = (*datasets.begin())->transaction();
    try {
        for (Dataset* d : datasets)
            if (d->isActive()) d->applyUpdates();
        transaction.commitWork();
    } catch (...) {
        rollBackKeepingError(transaction);
        throw;
    }
    for (Dataset* d : datasets) d->commitUpdates();
}

}  // namespace data
