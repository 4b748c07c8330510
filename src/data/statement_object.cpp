#include "data/statement_object.h"

namespace data {

void StatementObject::close() {
    cursor_.reset();
    hasRow_ = false;
    row_.clear();
}

void StatementObject::setSql(const QString& sql) {
    close();
    sql_ = sql;
    statement_.reset();
    statement_.emplace(transaction_, sql);
    columns_.clear();
}

void StatementObject::setParam(const QString& name, const QVariant& value) {
    if (!statement_) throw db::DbError(QStringLiteral("Текст запроса не задан."));
    statement_->setParam(name, value);
}

void StatementObject::execute() {
    if (!statement_) throw db::DbError(QStringLiteral("Текст запроса не задан."));
    close();
    if (statement_->isSelect()) {
        cursor_.emplace(statement_->openCursor());
        columns_ = cursor_->columns();
        hasRow_ = cursor_->fetch(row_);
    } else {
        statement_->execute();
    }
}

void StatementObject::next() {
    if (!cursor_) {
        hasRow_ = false;
        return;
    }
    hasRow_ = cursor_->fetch(row_);
}

QVariant StatementObject::value(const QString& column) const {
    const QString name = column.toUpper();
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].name == name) return row_.value(i);
    throw db::DbError(QStringLiteral("Столбец %1 не найден в результате запроса.").arg(column));
}

}  // namespace data
