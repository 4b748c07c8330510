// Dataset: a query with fixed fields, a cursor over its fetched rows and an edit buffer
// (cached updates) written back by an update object. The ground under every grid and form.
#pragma once

#include <QDate>
#include <QHash>
#include <QObject>
#include <QVariant>
#include <QVector>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "data/field.h"
#include "data/update_sql.h"
#include "db/firebird.h"

namespace data {

enum class DatasetState { Inactive, Browse, Edit, Insert };

class Dataset;

// Disables a dataset's bound controls for the lifetime of the guard.
class ControlsDisabled {
public:
    explicit ControlsDisabled(Dataset& dataset);
    ~ControlsDisabled();
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    Dataset& dataset_;
};

enum LocateOption { LocateDefault = 0, LocateCaseInsensitive = 1, LocatePartialKey = 2 };

// What a save does when the database refuses it (after rolling back, retaining the context).
enum class SaveFailure {
    KeepChanges,    // the buffer keeps every change for another attempt
    CancelChanges,  // the buffer is discarded first, as if the user pressed cancel
};

class Dataset : public QObject {
    Q_OBJECT
public:
    Dataset(db::Transaction& transaction, const QString& name, QObject* parent = nullptr);
    ~Dataset() override;

    const QString& name() const { return name_; }
    db::Transaction& transaction() const { return transaction_; }

    // --- statement and parameters (parameters keep their values across close and open)
    void setSql(const QString& sql);
    QString sql() const { return statement_.sql(); }
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const { return statement_.param(name); }

    // --- configuration by the data module
    void declareFields(const QList<FieldSpec>& specs);
    void setGenerator(const QString& keyField, const QString& generator);
    QString keyField() const { return keyField_; }
    void setUpdateSql(const UpdateSql& updateSql);
    bool isBuffered() const { return updateSql_.has_value(); }
    const std::optional<UpdateSql>& updateSql() const { return updateSql_; }

    // --- hooks, called in one place each
    std::function<void(Dataset&)> afterInsert;
    std::function<void(Dataset&)> afterScroll;
    // Called with the new value before it is stored; may set other fields or throw to refuse.
    void setValidator(const QString& field,
                      std::function<void(Dataset&, const QVariant&)> validator);

    // --- bound controls: while disabled (the calls nest) they are told nothing; on enabling
    // they are told once. Grids over the dataset keep following every change.
    void disableControls() { ++controlsDisabled_; }
    void enableControls() {
        if (controlsDisabled_ > 0 && --controlsDisabled_ == 0) emit controlsEnabled();
    }
    bool controlsDisabled() const { return controlsDisabled_ > 0; }

    // --- life
    void open();
    void close();
    bool isActive() const { return state_ != DatasetState::Inactive; }
    DatasetState state() const { return state_; }

    // --- fields and values
    const QVector<Field>& fields() const { return fields_; }
    int fieldIndex(const QString& name) const;  // -1 when there is none
    const Field& field(const QString& name) const;
    Field& field(const QString& name);
    // The display label of a field, known from the declarations before the first open too.
    QString labelOf(const QString& field) const;
    QVariant value(
        const QString& field) const;  // of the current record (the edit buffer while editing)
    QVariant value(int column) const;
    QVariant valueAt(int row, int column) const;
    void setValue(const QString& field, const QVariant& value);  // needs edit or insert state
    void setValue(int column, const QVariant& value);

    // --- cursor
    int recordCount() const { return int(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    int currentRow() const { return current_; }  // -1 when empty
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    void first();
    void last();
    void next();
    void moveTo(int row);
    bool locate(const QString& field, const QVariant& value, int options = LocateDefault);

    // --- editing
    void edit();
    void insert();  // at the current position
    void append();  // after the last record
    void post();
    void cancel();
    void remove();
    bool isModified() const { return modified_; }

    // --- buffered changes
    bool updatesPending() const;
    // Posts and sends every buffered change through the update object; keeps the buffer.
    void applyUpdates();
    // Forgets the buffered changes after they were committed.
    void commitUpdates();
    // Drops every unsaved change and moves to the first record.
    void cancelUpdates();
    // Takes back unsaved deletions only, leaving the other changes in the buffer.
    void restoreDeleted();
    // Deletes the current record and saves at once; a refusal puts the record back (the other
    // buffered changes wait for their save) and passes on.
    void removeAndSave();
    // Post, apply, commit-retaining; on failure roll back retaining and rethrow (see SaveFailure).
    void save(SaveFailure onFailure = SaveFailure::KeepChanges);

signals:
    void opened();  // after a successful open, before the first after-scroll
    void aboutToReset();
    void resetDone();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentChanged(int row);
    void stateChanged();
    void controlsEnabled();

private:
    enum class RowOp { None, Inserted, Modified };
    struct Row {
        QVector<QVariant> values;
        QVector<QVariant> original;
        RowOp op = RowOp::None;
        quint64 sequence = 0;  // order in which rows were first changed, for the write-back
    };
    struct DeletedRow {
        Row row;
        int position;
    };

    void requireActive() const;
    void requireEditing() const;
    void checkBrowseMode();  // posts (or cancels an untouched insert) before the cursor moves
    void setCurrent(int row, bool notify);
    void setState(DatasetState s);
    void buildFields(const QVector<db::ColumnInfo>& columns);
    void beginInsert(int position);
    void sendRow(const QString& sql, const Row& row, const char* what);
    void putBackDeleted();
    static bool matches(const QVariant& have, const QVariant& want, int options);

    db::Transaction& transaction_;
    QString name_;
    db::Statement statement_;
    QList<FieldSpec> specs_;
    QVector<Field> fields_;
    QHash<QString, int> fieldIndex_;
    QVector<int> columnOfField_;  // statement column feeding each field
    QString keyField_;
    QString generator_;
    std::optional<UpdateSql> updateSql_;
    QHash<QString, std::function<void(Dataset&, const QVariant&)>> validators_;

    QHash<QString, std::shared_ptr<db::Statement>> writeStatements_;  // prepared once per text
    std::vector<Row> rows_;
    std::vector<DeletedRow> deleted_;
    QVector<QVariant> editBuffer_;
    DatasetState state_ = DatasetState::Inactive;
    int current_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    quint64 sequence_ = 0;
    int controlsDisabled_ = 0;
};

// Writes the buffers of datasets that share one transaction with one commit-retaining. When the
// database refuses, the transaction is rolled back retaining, every buffer keeps its changes and
// the error passes on. Closed datasets are skipped.
void saveTogether(std::initializer_list<Dataset*> datasets);

// Rolls a transaction back retaining its context while a failure is handled; a failing rollback
// is swallowed so that the original failure passes on.
void rollBackKeepingError(db::Transaction& transaction);

inline ControlsDisabled::ControlsDisabled(Dataset& dataset) : dataset_(dataset) {
    dataset_.disableControls();
}
inline ControlsDisabled::~ControlsDisabled() {
    dataset_.enableControls();
}

}  // namespace data
