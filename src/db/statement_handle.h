// A prepared statement as the server described it, shared by the statement and its open cursor
// (inside the layer only).
#pragma once

#include <QByteArray>
#include <QVector>
#include <vector>

#include "db/client_interface.h"
#include "db/message_values.h"
#include "db/statement.h"

namespace db::detail {

struct StatementHandle {
    Status status;         // reused by every execution of the statement
    QByteArray outBuffer;  // the row being fetched by the statement's cursor
    Owned<Firebird::IStatement> statement;
    Owned<Firebird::IMessageMetadata> inMeta;
    Owned<Firebird::IMessageMetadata> outMeta;
    Connection* connection = nullptr;
    quint64 generation = 0;
    unsigned type = 0;
    QVector<ColumnInfo> columns;
    std::vector<OutColumn> out;
    unsigned outLength = 0;
    std::vector<InParam> in;
    unsigned inLength = 0;

    // Prepared on an attachment that is no longer the connection's.
    bool stale() const { return !connection->isOpen() || connection->generation() != generation; }

    ~StatementHandle() {
        if (!statement || stale()) return;
        try {
            Status st;
            statement->free(&st);
            ended(statement);
        } catch (const Firebird::FbException&) {
            // Released with the owner: the server frees it with the attachment.
        }
    }
};

// The parameters of one execution, laid out as the metadata says.
class InputMessage {
public:
    InputMessage() = default;
    InputMessage(Owned<Firebird::IMessageMetadata> metadata, QByteArray buffer)
        : metadata_(std::move(metadata)), buffer_(std::move(buffer)) {}
    Firebird::IMessageMetadata* metadata() const { return metadata_.get(); }
    void* data() { return buffer_.isEmpty() ? nullptr : buffer_.data(); }

private:
    Owned<Firebird::IMessageMetadata> metadata_;
    QByteArray buffer_;
};

}  // namespace db::detail
