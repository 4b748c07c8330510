#include "db/errors.h"

#include <ibase.h>

#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "db/connection.h"
#include "db/status_text.h"

namespace db::detail {

namespace {

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

}  // namespace

FailureKind failureKind(const std::intptr_t* vector) {
    if (hasCode(vector, {isc_lock_conflict, isc_deadlock, isc_update_conflict}))
        return FailureKind::Conflict;
    if (hasCode(vector,
                {isc_network_error, isc_net_read_err, isc_net_write_err, isc_conn_lost,
                 isc_lost_db_connection, isc_att_shutdown, isc_shutdown, isc_net_server_shutdown}))
        return FailureKind::ConnectionLost;
    return FailureKind::Other;
}

QString sqlState(const std::intptr_t* vector) {
    char state[FB_SQLSTATE_SIZE] = {};
    fb_sqlstate(state, vector);
    return QString::fromLatin1(state);
}

DbError toDbError(Firebird::IStatus* status) {
    const ISC_STATUS* vector = status->getErrors();
    const long gds = (vector[0] == isc_arg_gds) ? long(vector[1]) : 0;
    const int sqlCode = int(isc_sqlcode(vector));
    // The database's words and the system's come in different encodings: each is read in its
    // own ("Нет такого файла или каталога" of a missing file under a UTF-8 locale).
    QString text = statusText(vector);
    if (status->getState() & Firebird::IStatus::STATE_WARNINGS) {
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
    return DbError(text, sqlCode, gds, kind, sqlState(vector));
}

void forgetIfLost(Connection& connection, const DbError& error) noexcept {
    if (error.kind() == FailureKind::ConnectionLost) connection.forgetLostAttachment();
}

}  // namespace db::detail
