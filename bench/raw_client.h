// The yardstick: statements run straight through the Firebird client, with the parameters
// written into the statement's own input message and rows left in the output buffer.
#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace bench {

class RawSession {
public:
    explicit RawSession(const QString& database);
    ~RawSession();

    class Statement {
    public:
        // Parameters in marker order: int, QDate or QString.
        int fetchAll(const std::vector<QVariant>& params);  // returns the rows read
        void execute(const std::vector<QVariant>& params);

    private:
        friend class RawSession;
        struct State;
        std::shared_ptr<State> d;
    };

    // The program's :name markers are turned into ? here.
    Statement prepare(const QString& sql);
    void commitRetaining();
    // Ends the transaction and starts the next one, as the program's saves do.
    void commit();

private:
    struct State;
    std::unique_ptr<State> d;
};

}  // namespace bench
