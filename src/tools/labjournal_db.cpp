// labjournal-db: makes databases for the program (an empty one, the demo, or a large register),
// patient registers of an institution, brings databases of earlier versions up to the current
// schema, recomputes their index statistics, and backs databases up and restores them with gbak.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "data/clock.h"
#include "data/schema.h"
#include "data/schema_upgrade.h"
#include "db/firebird.h"
#include "tools/backup.h"
#include "tools/demo_data.h"
#include "tools/index_statistics.h"

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
           "PATH, DB: путь к файлу или сервер:/путь (сервер/порт:/путь). upgrade, backup и\n"
           "restore входят как SYSDBA, если переменные окружения ISC_USER и ISC_PASSWORD не\n"
           "задают другого входа.\n";
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
std::unique_ptr<db::Connection> attachAsAdministrator(const QString& path) {
    const QString user = qEnvironmentVariable("ISC_USER", QStringLiteral("SYSDBA"));
    const QString password = qEnvironmentVariable("ISC_PASSWORD", QStringLiteral("masterkey"));
    auto c = std::make_unique<db::Connection>();
    c->setDatabaseName(path);
    c->setParams({"user_name=" + user, "password=" + password, "lc_ctype=WIN1251"});
    c->open();
    return c;
}

int upgrade(const QString& path) {
    if (!tools::isServerPath(path) && !QFileInfo::exists(path)) {
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
