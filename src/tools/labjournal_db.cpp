// labjournal-db: makes databases for the program (an empty one, the demo, or a large register),
// patient registers of an institution, brings databases of earlier versions up to the current
// schema, recomputes their index statistics, and backs databases up and restores them with gbak.
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "data/clock.h"
#include "data/login_role.h"
#include "data/schema.h"
#include "data/schema_upgrade.h"
#include "db/firebird.h"
#include "tools/backup.h"
#include "tools/demo_data.h"
#include "tools/index_statistics.h"
#include "tools/staff_logins.h"

namespace {

int usage() {
    QTextStream(stderr)
        << "Использование:\n"
           "  labjournal-db create PATH            новая пустая база данных\n"
           "  labjournal-db create --demo PATH     база с демонстрационными данными\n"
           "                                       (и регистр пациентов рядом с ней)\n"
           "  labjournal-db create --large N PATH  N исследований по 10 результатов\n"
           "  labjournal-db create --register N PATH\n"
           "                                       регистр пациентов ЛПУ: N пациентов\n"
           "                                       с уник.номерами 1..N\n"
           "  labjournal-db upgrade PATH           добавить в базу, созданную прежней версией\n"
           "                                       программы, чего в ней нет из текущей схемы\n"
           "                                       (данные не затрагиваются)\n"
           "  labjournal-db statistics PATH        пересчитать статистику всех индексов\n"
           "  labjournal-db backup [--force] DB FILE\n"
           "                                       резервная копия базы DB в файл FILE (gbak -b);\n"
           "                                       --force заменяет существующий FILE\n"
           "  labjournal-db restore [--force] FILE DB\n"
           "                                       база DB из резервной копии FILE (gbak -c);\n"
           "                                       --force заменяет существующую базу DB\n"
           "  labjournal-db users add NAME DB      пользователь сервера NAME с ролью LAB_USER\n"
           "                                       в базе DB (пароль спрашивается дважды)\n"
           "  labjournal-db users remove NAME DB   удалить пользователя NAME с сервера\n"
           "  labjournal-db users list DB          пользователи с ролью LAB_USER в базе DB\n"
           "PATH, DB: путь к файлу или сервер:/путь (сервер/порт:/путь). create, upgrade,\n"
           "users, backup и restore входят как SYSDBA, если переменные окружения ISC_USER и\n"
           "ISC_PASSWORD не задают другого входа.\n";
    return 2;
}

std::unique_ptr<db::Connection> attach(const QString& path) {
    auto c = std::make_unique<db::Connection>();
    c->setDatabaseName(path);
    c->setParams({"user_name=SYSDBA", "password=masterkey", "lc_ctype=WIN1251"});
    c->open();
    return c;
}

// The administrator's login from the environment, as gbak and isql take it; SYSDBA without it.
void logInAsAdministrator(db::Connection& connection, const QString& path) {
    const QString user = qEnvironmentVariable("ISC_USER", QStringLiteral("SYSDBA"));
    const QString password = qEnvironmentVariable("ISC_PASSWORD", QStringLiteral("masterkey"));
    connection.setDatabaseName(path);
    connection.setParams({"user_name=" + user, "password=" + password, "lc_ctype=WIN1251"});
}

std::unique_ptr<db::Connection> attachAsAdministrator(const QString& path) {
    auto c = std::make_unique<db::Connection>();
    logInAsAdministrator(*c, path);
    c->open();
    return c;
}

// A new, empty database on a server, made by its administrator's login. What fails after the
// server made the file takes the database away again: nothing half-made is left for a
// workstation to open.
int createOnServer(const QString& path) {
    db::Connection connection;
    logInAsAdministrator(connection, path);
    try {
        connection.createDatabase();
    } catch (const db::DbError& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
    try {
        data::runScript(connection, data::mainSchema());
        tools::addEmptyRequisites(connection);
        connection.close();
    } catch (const db::DbError& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        try {
            connection.dropDatabase();
        } catch (const db::DbError&) {
            // The first failure is the one to read.
        }
        return 1;
    }
    QTextStream(stdout) << "Создана база данных " << path << "\n";
    return 0;
}

// The terminal's echo, off while passwords are typed and on again however the tool ends, Ctrl-C
// included. Only the newline is echoed, so each prompt ends its own line.
termios terminalAsFound{};
volatile sig_atomic_t echoIsOff = 0;

void restoreEchoAndEnd(int signal) {
    if (echoIsOff) tcsetattr(STDIN_FILENO, TCSANOW, &terminalAsFound);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class EchoOff {
public:
    EchoOff() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &terminalAsFound) != 0) return;
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signal, restoreEchoAndEnd);
        termios quiet = terminalAsFound;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        if (tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0) echoIsOff = 1;
    }
    ~EchoOff() {
        if (echoIsOff) tcsetattr(STDIN_FILENO, TCSANOW, &terminalAsFound);
        echoIsOff = 0;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
};

// A line of standard input after a prompt: typed on the terminal, or a script's pipe.
// Nothing when input ends.
std::optional<QString> readPassword(const QString& prompt) {
    QTextStream(stderr) << prompt << Qt::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QString::fromStdString(line);
}

// users add NAME DB, users remove NAME DB, users list DB: logins on a server.
int manageUsers(const QStringList& args) {
    const QString command = args.value(0);
    const bool list = command == QLatin1String("list") && args.size() == 2;
    const bool change = (command == QLatin1String("add") || command == QLatin1String("remove")) &&
                        args.size() == 3;
    if (!list && !change) return usage();
    const QString path = args.last();
    if (!db::isServerPath(path)) {
        QTextStream(stderr) << "Пользователи заводятся на сервере Firebird: укажите базу как "
                               "сервер:/путь (сейчас " << path << ").\n";
        return 1;
    }
    QString name;
    if (change) {
        name = tools::loginName(args[1]);
        if (name.isEmpty()) {
            QTextStream(stderr) << "Имя пользователя «" << args[1]
                                << "» не подходит: латинская буква, затем латинские буквы, "
                                   "цифры, _ или $, не больше 31 знака.\n";
            return 1;
        }
        if (name == QLatin1String("SYSDBA")) {
            QTextStream(stderr) << "SYSDBA — администратор сервера, а не сотрудник.\n";
            return 1;
        }
    }
    QTextStream out(stdout);
    try {
        auto connection = attachAsAdministrator(path);
        const QString role = QString::fromLatin1(data::kStaffRole);
        if (list) {
            const QStringList names = tools::staffLogins(*connection);
            if (names.isEmpty()) out << "Пользователей с ролью " << role << " в базе нет.\n";
            for (const QString& n : names) out << n << "\n";
        } else if (command == QLatin1String("remove")) {
            if (!tools::loginExists(*connection, name)) {
                QTextStream(stderr) << "На сервере нет пользователя " << name << ".\n";
                return 1;
            }
            // A login of the server that is no member of this database's staff may be another
            // database's, or the server's own: it is not this command's to remove.
            if (!tools::staffLogins(*connection).contains(name)) {
                QTextStream(stderr) << "У пользователя " << name << " нет роли " << role
                                    << " в базе " << path << ": он не удалён.\n";
                return 1;
            }
            tools::removeStaffLogin(*connection, name);
            out << "Пользователь " << name << " удалён с сервера.\n";
        } else if (tools::loginExists(*connection, name)) {
            tools::grantStaffRole(*connection, name);
            out << "Пользователь " << name << " уже есть на сервере; ему выдана роль " << role
                << " в базе " << path << " (пароль прежний).\n";
        } else {
            std::optional<QString> password, again;
            {
                const EchoOff quiet;
                password = readPassword(QStringLiteral("Пароль пользователя %1: ").arg(name));
                if (password) again = readPassword(QStringLiteral("Пароль ещё раз: "));
            }
            if (!password || password->isEmpty()) {
                QTextStream(stderr) << "Пароль не введён: пользователь не создан.\n";
                return 1;
            }
            if (!again || *again != *password) {
                QTextStream(stderr) << "Пароли не совпадают: пользователь не создан.\n";
                return 1;
            }
            tools::addStaffLogin(*connection, name, *password);
            out << "Пользователь " << name << " создан с ролью " << role << " в базе " << path
                << ".\n";
        }
        connection->close();
    } catch (const db::DbError& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
    return 0;
}

int upgrade(const QString& path) {
    if (!db::isServerPath(path) && !QFileInfo::exists(path)) {
        QTextStream(stderr) << "Нет файла базы данных: " << path << "\n";
        return 1;
    }
    try {
        auto connection = attachAsAdministrator(path);
        const QStringList added = data::upgradeSchema(*connection);
        connection->close();
        QTextStream out(stdout);
        if (added.isEmpty()) {
            out << "База данных " << path
                << " уже соответствует текущей схеме: ничего не изменено.\n";
        } else {
            out << "База данных " << path << " обновлена. Добавлено:\n";
            for (const QString& addition : added) out << "  " << addition << "\n";
        }
    } catch (const db::DbError& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
    return 0;
}

int recomputeStatistics(const QString& path) {
    if (!QFileInfo::exists(path) && !path.contains(QLatin1Char(':'))) {
        QTextStream(stderr) << "Нет файла базы данных: " << path << "\n";
        return 1;
    }
    try {
        auto connection = attach(path);
        const QStringList indexes = tools::recomputeIndexStatistics(*connection);
        connection->close();
        QTextStream(stdout) << "Пересчитана статистика индексов: " << indexes.size() << "\n";
    } catch (const db::DbError& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        return 1;
    }
    return 0;
}

// backup [--force] DB FILE, restore [--force] FILE DB.
int backupOrRestore(QStringList args) {
    const QString command = args.takeFirst();
    tools::GbakOptions options;
    if (!args.isEmpty() && args[0] == "--force") {
        options.force = true;
        args.removeFirst();
    }
    if (args.size() != 2) return usage();
    for (const QString& arg : args)
        if (arg.startsWith(QLatin1String("--"))) return usage();  // an option out of place
    const tools::GbakOutcome outcome = command == "backup"
                                           ? tools::backupDatabase(args[0], args[1], options)
                                           : tools::restoreDatabase(args[0], args[1], options);
    QTextStream(outcome.ok ? stdout : stderr) << outcome.message << "\n";
    return outcome.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == "statistics") return recomputeStatistics(args[1]);
    if (args.size() == 2 && args[0] == "upgrade") return upgrade(args[1]);
    if (!args.isEmpty() && (args[0] == "backup" || args[0] == "restore"))
        return backupOrRestore(args);
    if (!args.isEmpty() && args[0] == "users") return manageUsers(args.mid(1));
    if (args.size() < 2 || args[0] != "create") return usage();
    args.removeFirst();
    bool demo = false;
    int large = 0;
    int patients = 0;
    if (args[0] == "--demo") {
        demo = true;
        args.removeFirst();
    } else if (args[0] == "--large" && args.size() >= 2) {
        large = args[1].toInt();
        args.remove(0, 2);
        if (large <= 0) return usage();
    } else if (args[0] == "--register" && args.size() >= 2) {
        patients = args[1].toInt();
        args.remove(0, 2);
        if (patients <= 0) return usage();
    } else if (args[0].startsWith(QLatin1String("--"))) {
        return usage();  // an option without its number, or one there is not
    }
    if (args.size() != 1) return usage();
    if (db::isServerPath(args[0])) {
        if (demo || large > 0 || patients > 0) {
            QTextStream(stderr) << "На сервере создаётся только пустая база данных; "
                                   "демонстрационную создайте в файле.\n";
            return 1;
        }
        return createOnServer(args[0]);
    }
    const QString path = QFileInfo(args[0]).absoluteFilePath();
    if (QFileInfo::exists(path)) {
        QTextStream(stderr) << "Файл уже существует: " << path << "\n";
        return 1;
    }
    try {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (patients > 0) {
            tools::createPatientRegister(path, patients);
            QTextStream(stdout) << "Создан регистр пациентов " << path << "\n";
            return 0;
        }
        data::createMainDatabase(path);
        auto connection = attach(path);
        const QDate today = data::clock::today();
        if (demo) {
            const QString registerPath = QFileInfo(path).absoluteDir().filePath(
                QFileInfo(path).completeBaseName() + "_register.fdb");
            if (!QFileInfo::exists(registerPath)) tools::createDemoRegister(registerPath);
            tools::addDemoData(*connection, registerPath, today);
        } else if (large > 0) {
            tools::addLargeRegister(*connection, large, 10, today);
        } else {
            tools::addEmptyRequisites(*connection);
        }
        connection->close();
    } catch (const db::DbError& e) {
        QTextStream(stderr) << "Ошибка: " << e.message() << "\n";
        QFile::remove(path);
        return 1;
    }
    QTextStream(stdout) << "Создана база данных " << path << "\n";
    return 0;
}
