// The query builder's statement at work: generated, run in the window's own read-only
// transaction, sorted, shown, saved, loaded and exported.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSaveFile>

#include "data/lab_data.h"
#include "query/query_builder_window.h"
#include "reports/grid_export.h"
#include "ui/db_grid.h"
#include "ui/dialogs.h"

namespace {

const QString fileFilter = QStringLiteral("*.sql (*.sql)");

// Result columns whose width is given; the others fit their content.
const QHash<QString, int> columnWidths = {{QStringLiteral("Пол"), 25},
                                          {QStringLiteral("Кат. нераб."), 70},
                                          {QStringLiteral("Диагноз"), 300},
                                          {QStringLiteral("Нас. пункт"), 150},
                                          {QStringLiteral("Адрес"), 200}};

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void QueryBuilderWindow::generate() {
    WaitCursor wait;
    try {
        statement_ = query::statementLines(recordedCriteria());
        sortColumns_.clear();
        run();
    } catch (const std::exception& e) {
        if (result_) result_->close();
        resultFooter->setText(1, QString());
        ui::showError(this, QStringLiteral("Ошибка в запросе. Проверьте значения критериев!") +
                                "\n\n" + ui::failureText(e));
        return;
    }
    showRows();
}

namespace {

QString kindInWords(db::Statement::Kind kind) {
    using Kind = db::Statement::Kind;
    switch (kind) {
        case Kind::Insert: return QStringLiteral("добавление записей (insert)");
        case Kind::Update: return QStringLiteral("изменение записей (update)");
        case Kind::Delete: return QStringLiteral("удаление записей (delete)");
        case Kind::Ddl: return QStringLiteral("изменение структуры базы данных");
        case Kind::Commit: return QStringLiteral("завершение транзакции (commit)");
        case Kind::Rollback: return QStringLiteral("откат транзакции (rollback)");
        case Kind::StartTransaction: return QStringLiteral("начало транзакции (set transaction)");
        case Kind::ExecuteProcedure:
            return QStringLiteral("выполнение процедуры или блока (execute)");
        case Kind::SetGenerator: return QStringLiteral("установка генератора (set generator)");
        case Kind::Savepoint: return QStringLiteral("точка сохранения (savepoint)");
        case Kind::SelectForUpdate:
            return QStringLiteral("выборка с блокировкой записей (for update, with lock)");
        default: return QStringLiteral("команда, которая не является выборкой");
    }
}

}  // namespace

void QueryBuilderWindow::refuseAnythingButASelect(const QString& sql) {
    // A loaded text runs only as a plain select: nothing of the user's may write, move a
    // generator, or end, commit or take over this window's transaction. The server says what the
    // statement is once it is prepared; preparing executes nothing.
    const QString call = query::generatorCall(sql);
    if (!call.isEmpty())
        throw db::DbError(QStringLiteral("Запрос не выполнен: в нём есть обращение к генератору "
                                         "(«%1»), которое меняет его значение. Выполняются только "
                                         "запросы на выборку данных.")
                              .arg(call));
    db::Statement probe(readTransaction_, sql);
    probe.setParamCheck(false);
    db::Statement::Kind kind = probe.kind();
    // A block that returns rows is a select to the server, and may run anything inside.
    const QString keyword = query::firstKeyword(sql);
    if (kind == db::Statement::Kind::Select && keyword != QStringLiteral("SELECT") &&
        keyword != QStringLiteral("WITH"))
        kind = keyword == QStringLiteral("EXECUTE") ? db::Statement::Kind::ExecuteProcedure
                                                    : db::Statement::Kind::Other;
    if (kind != db::Statement::Kind::Select)
        throw db::DbError(QStringLiteral("Запрос не выполнен: выполняются только запросы на "
                                         "выборку данных (select), а этот текст — %1.")
                              .arg(kindInWords(kind)));
}

void QueryBuilderWindow::run() {
    if (result_) result_->close();
    resultFooter->setText(1, QString());
    const QString sql = statement_.join('\n');
    // Each run reads what is committed now.
    if (readTransaction_.isActive()) readTransaction_.commit();
    readTransaction_.ensureStarted();
    refuseAnythingButASelect(sql);
    // A new dataset each time: a loaded statement may have other columns.
    auto fresh = std::make_unique<data::Dataset>(readTransaction_, QStringLiteral("queryResult"));
    fresh->setSql(sql);
    fresh->open();
    resultSource_.setDataset(fresh.get());
    result_ = std::move(fresh);
}

void QueryBuilderWindow::showRows() {
    ui::DatasetModel* model = resultGrid->datasetModel();
    for (int c = 0; c < model->columnCount(); ++c) {
        const int field = model->fieldIndexOfColumn(c);
        if (field < 0) continue;
        const QString name = result_->fields()[field].name;
        if (columnWidths.contains(name)) resultGrid->setColumnWidth(c, columnWidths.value(name));
    }
    resultGrid->horizontalHeader()->viewport()->update();
    sortMarkers_->update();
    // Typed letters find a row by its first column.
    if (!result_->fields().isEmpty()) resultGrid->setIncrementalSearch(result_->fields()[0].name);
    resultFooter->setText(0, QStringLiteral("Всего"));
    resultFooter->setText(
        1, model->columnCount() > 1 ? QString::number(result_->recordCount()) : QString());
    resultGrid->setEnabled(true);
    resultGrid->show();
    resultFooter->show();
}

QList<std::pair<int, bool>> QueryBuilderWindow::markedSections() const {
    QList<std::pair<int, bool>> marked;
    if (!result_ || !result_->isActive()) return marked;
    const ui::DatasetModel* model = resultGrid->datasetModel();
    for (const query::SortColumn& column : sortColumns_)
        for (int c = 0; c < model->columnCount(); ++c) {
            const int field = model->fieldIndexOfColumn(c);
            if (field >= 0 && result_->fields()[field].name == column.field)
                marked << std::pair{c, column.ascending};
        }
    return marked;
}

void QueryBuilderWindow::headerClicked(int column) {
    if (!result_ || !result_->isActive()) return;
    const int field = resultGrid->datasetModel()->fieldIndexOfColumn(column);
    if (field < 0) return;
    const QString name = result_->fields()[field].name;
    QList<query::SortColumn> columns = sortColumns_;
    qsizetype at = -1;
    for (qsizetype i = 0; i < columns.size(); ++i)
        if (columns[i].field == name) at = i;
    if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier) {
        // Ctrl adds a column; on a marked one it turns the marker, then takes it away.
        if (at < 0)
            columns << query::SortColumn{name, true};
        else if (columns[at].ascending)
            columns[at].ascending = false;
        else
            columns.removeAt(at);
    } else {
        const bool ascending = at >= 0 ? !columns[at].ascending : true;
        columns = {query::SortColumn{name, ascending}};
    }
    sortBy(columns);
}

void QueryBuilderWindow::sortBy(const QList<query::SortColumn>& columns) {
    sortColumns_ = columns;
    statement_ = query::sortedLines(statement_, columns);
    if (!result_ || !result_->isActive()) return;
    WaitCursor wait;
    run();
    showRows();
}

void QueryBuilderWindow::showStatement() {
    statementView->setGeometry(criteriaArea_->geometry().translated(
        criteriaArea_->parentWidget()->mapTo(this, QPoint(0, 0))));
    statementView->setPlainText(statement_.join('\n'));
    statementView->show();
    statementView->raise();
}

void QueryBuilderWindow::saveStatement() {
    QString name = ui::dialogs().saveFileName(
        this, QStringLiteral("Сохранение текста запроса в файл"), QString(), fileFilter);
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".sql");
    const QByteArray bytes = query::fileText(statement_);
    // The old file survives a failed write.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(QStringLiteral("Не удалось записать файл %1: %2")
                                     .arg(name, file.errorString())
                                     .toStdString());
}

bool QueryBuilderWindow::loadFile() {
    QString name = ui::dialogs().openFileName(this, QStringLiteral("Открытие файла запроса"),
                                              QString(), fileFilter);
    if (name.isEmpty()) return false;
    if (!QFileInfo::exists(name) && QFileInfo(name).suffix().isEmpty() &&
        QFileInfo::exists(name + QStringLiteral(".sql")))
        name += QStringLiteral(".sql");
    if (!QFileInfo::exists(name)) {
        ui::information(this,
                        QStringLiteral("Не найден файл ") + QFileInfo(name).absoluteFilePath());
        return true;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Не удалось прочитать файл %1: %2")
                                     .arg(name, file.errorString())
                                     .toStdString());
    const QByteArray bytes = file.readAll();
    if (result_) result_->close();
    statement_ = query::linesOfFile(bytes);
    sortColumns_.clear();
    return true;
}

void QueryBuilderWindow::openStatement() {
    if (loadFile()) showStatement();
}

void QueryBuilderWindow::execute() {
    loadFile();
    if (statement_.join(QString()).trimmed().isEmpty()) {
        ui::information(this, QStringLiteral("Текст запроса пуст."));
        return;
    }
    WaitCursor wait;
    // A statement refused leaves the grid as it was, with no rows.
    run();
    showRows();
}

void QueryBuilderWindow::exportResult() {
    reports::exportGrid(*resultGrid, labData.session, this, QStringLiteral("Закрыть EXEL?"));
}

void QueryBuilderWindow::copySelection() {
    if (!result_ || !result_->isActive()) return;
    const QModelIndexList cells = resultGrid->selectionModel()->selectedIndexes();
    if (cells.isEmpty()) return;
    int top = cells.first().row(), bottom = top, left = cells.first().column(), right = left;
    for (const QModelIndex& i : cells) {
        top = std::min(top, i.row());
        bottom = std::max(bottom, i.row());
        left = std::min(left, i.column());
        right = std::max(right, i.column());
    }
    QStringList rows;
    for (int r = top; r <= bottom; ++r) {
        QStringList cellsOfRow;
        for (int c = left; c <= right; ++c)
            cellsOfRow << (resultGrid->selectionModel()->isSelected(
                               resultGrid->model()->index(r, c))
                               ? resultGrid->model()->index(r, c).data().toString()
                               : QString());
        rows << cellsOfRow.join('\t');
    }
    QGuiApplication::clipboard()->setText(rows.join('\n'));
}
