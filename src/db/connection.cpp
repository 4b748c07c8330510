#include "db/connection.h"

#include <ibase.h>

#include <QHash>
#include <utility>

#include "db/client_interface.h"
#include "db/errors.h"
#include "db/transaction.h"
#include "db/win1251.h"

using namespace Firebird;

namespace db {
using namespace detail;

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

QByteArray Connection::buildDpb(bool forCreate) {
    return guarded([&] {
        Status st;
        const Owned<IXpbBuilder> dpb(util()->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0));
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
    attachment_.reset(guarded([&] {
        Status st;
        const Owned<IProvider> provider(master()->getDispatcher());
        const auto* block = reinterpret_cast<const unsigned char*>(dpb.constData());
        return create ? provider->createDatabase(&st, path.constData(), unsigned(dpb.size()), block)
                      : provider->attachDatabase(&st, path.constData(), unsigned(dpb.size()), block);
    }));
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

void Connection::rollBackRunningTransactions() {
    for (Transaction* t : transactions_)
        if (t->isActive()) t->rollback();
}

void Connection::close() {
    if (!isOpen()) return;
    try {
        rollBackRunningTransactions();
        guardedOn(*this, [&] {
            Status st;
            attachment_->detach(&st);
            ended(attachment_);
        });
    } catch (const DbError& e) {
        // An attachment already gone needs no detaching: the connection has let go of it.
        if (e.kind() != FailureKind::ConnectionLost) throw;
    }
    attachment_.reset();
    lost_ = false;
    acceptedPassword_.reset();
}

void Connection::forgetLostAttachment() noexcept {
    if (!attachment_) return;
    for (Transaction* t : transactions_) t->handle_.reset();
    attachment_.reset();
    lost_ = true;
}

void Connection::dropDatabase() {
    if (!isOpen()) throw DbError(QStringLiteral("Нет подключения к базе данных."));
    rollBackRunningTransactions();
    guardedOn(*this, [&] {
        Status st;
        attachment_->dropDatabase(&st);
        ended(attachment_);
    });
}

bool isServerPath(const QString& database) {
    return !database.startsWith(QLatin1Char('/')) && database.contains(QLatin1Char(':'));
}

}  // namespace db
