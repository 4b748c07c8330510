#include "tools/backup.h"

#include "db/connection.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tools {
namespace {

GbakOutcome failure(const QString& message) {
    return {false, message};
}

// SYSDBA / masterkey, each unless the environment names its own: gbak reads ISC_USER and
// ISC_PASSWORD by itself, and an argument would take their place.
QStringList loginArguments() {
    QStringList arguments;
    if (qEnvironmentVariableIsEmpty("ISC_USER"))
        arguments << "-user"
                  << "SYSDBA";
    if (qEnvironmentVariableIsEmpty("ISC_PASSWORD"))
        arguments << "-password"
                  << "masterkey";
    return arguments;
}

// A file name as it stands, a link with nothing behind it included.
bool taken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool sameFile(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// The gbak to run, or why there is none.
bool locateGbak(const GbakOptions& options, QString* program, GbakOutcome* outcome) {
    *program = options.program.isEmpty() ? findGbak() : options.program;
    if (!program->isEmpty()) return true;
    *outcome =
        failure(QStringLiteral("Не найдена программа gbak: её нет ни в PATH, ни в /usr/bin "
                               "(она входит в пакет firebird3.0-utils)."));
    return false;
}

// Runs gbak with the arguments given as they are, no shell in between. The password is never
// part of the message.
GbakOutcome runGbak(const QString& program, const QStringList& arguments) {
    QProcess gbak;
    gbak.setProcessChannelMode(QProcess::MergedChannels);
    gbak.start(program, arguments);
    if (!gbak.waitForStarted(-1))
        return failure(
            QStringLiteral("Не удалось запустить %1: %2").arg(program, gbak.errorString()));
    gbak.waitForFinished(-1);
    const QString output = QString::fromLocal8Bit(gbak.readAll()).trimmed();
    const QString tail = output.isEmpty() ? QString() : QStringLiteral(":\n") + output;
    if (gbak.exitStatus() != QProcess::NormalExit)
        return failure(QStringLiteral("gbak завершился аварийно") + tail);
    if (gbak.exitCode() != 0)
        return failure(QStringLiteral("gbak завершился с ошибкой (код %1)").arg(gbak.exitCode()) +
                       tail);
    return {true, output};
}

// A folder beside path (in the same file system, so that a rename moves the finished file into
// place in one step), removed with everything in it when the object goes; null when none can be
// made, with the reason in outcome.
std::unique_ptr<QTemporaryDir> workFolderBeside(const QString& path, GbakOutcome* outcome) {
    const QString parent = QFileInfo(path).absolutePath();
    QDir().mkpath(parent);
    auto folder =
        std::make_unique<QTemporaryDir>(parent + QStringLiteral("/.labjournal-db-XXXXXX"));
    if (folder->isValid()) return folder;
    *outcome = failure(QStringLiteral("Не удалось создать временную папку в %1: %2")
                           .arg(parent, folder->errorString()));
    return nullptr;
}

// Puts the finished file under its name: an existing file is replaced only when replace is
// set, in one step either way.
bool moveIntoPlace(const QString& finished, const QString& path, bool replace, QString* error) {
    if (!replace) {
        QFile file(finished);
        if (file.rename(path)) return true;
        *error = file.errorString();
        return false;
    }
    if (std::rename(QFile::encodeName(finished).constData(), QFile::encodeName(path).constData()) ==
        0)
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

// The lock the embedded engine (and a server's process) holds on a database file it has open:
// while this object holds it, nothing has the file open and nothing opens it.
class ExclusiveUse {
public:
    explicit ExclusiveUse(const QString& path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd_ >= 0) inUse_ = ::flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    }
    ~ExclusiveUse() {
        if (fd_ >= 0) ::close(fd_);  // releases the lock
    }
    ExclusiveUse(const ExclusiveUse&) = delete;
    ExclusiveUse& operator=(const ExclusiveUse&) = delete;

    bool inUse() const { return inUse_; }

private:
    int fd_ = -1;
    bool inUse_ = false;
};

}  // namespace

QString findGbak() {
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("gbak"));
    if (!onPath.isEmpty()) return onPath;
    const QFileInfo fallback(QStringLiteral("/usr/bin/gbak"));
    return fallback.isFile() && fallback.isExecutable() ? fallback.filePath() : QString();
}

GbakOutcome backupDatabase(const QString& database, const QString& file,
                           const GbakOptions& options) {
    // A local path is passed absolute, so that gbak never takes it for a switch.
    const bool server = db::isServerPath(database);
    const QString source = server ? database : QFileInfo(database).absoluteFilePath();
    const QString target = QFileInfo(file).absoluteFilePath();
    if (source.startsWith(QLatin1Char('-')))
        return failure(QStringLiteral("Недопустимое имя базы данных: %1").arg(database));
    if (taken(target)) {
        if (!options.force)
            return failure(QStringLiteral("Файл уже существует: %1\n"
                                          "Чтобы заменить его, укажите --force.")
                               .arg(target));
        if (!server && sameFile(source, target))
            return failure(QStringLiteral("Резервная копия не может заменить саму базу данных: %1")
                               .arg(target));
    }
    QString program;
    GbakOutcome outcome;
    if (!locateGbak(options, &program, &outcome)) return outcome;
    const auto work = workFolderBeside(target, &outcome);
    if (!work) return outcome;

    const QString written = work->filePath(QFileInfo(target).fileName());
    outcome = runGbak(program, QStringList{"-b"} + loginArguments() + QStringList{source, written});
    if (!outcome.ok)
        return failure(QStringLiteral("Резервная копия базы данных %1 не сделана.\n%2")
                           .arg(source, outcome.message));
    QString error;
    if (!QFileInfo(written).isFile())
        return failure(QStringLiteral("gbak не записал файл резервной копии %1").arg(target));
    if (!moveIntoPlace(written, target, options.force, &error))
        return failure(QStringLiteral("Не удалось записать файл %1: %2").arg(target, error));
    return {true,
            QStringLiteral("Резервная копия базы данных %1 записана в %2").arg(source, target)};
}

GbakOutcome restoreDatabase(const QString& file, const QString& database,
                            const GbakOptions& options) {
    const QString source = QFileInfo(file).absoluteFilePath();
    if (!QFileInfo(source).isFile())
        return failure(QStringLiteral("Нет файла резервной копии: %1").arg(source));
    const bool server = db::isServerPath(database);
    const QString target = server ? database : QFileInfo(database).absoluteFilePath();
    if (target.startsWith(QLatin1Char('-')))
        return failure(QStringLiteral("Недопустимое имя базы данных: %1").arg(database));
    const QString done = QStringLiteral("База данных %1 восстановлена из %2").arg(target, source);
    QString program;
    GbakOutcome outcome;

    if (server) {
        // The server writes the file itself; it refuses an existing database unless replacing.
        if (!locateGbak(options, &program, &outcome)) return outcome;
        outcome = runGbak(program, QStringList{options.force ? "-rep" : "-c"} + loginArguments() +
                                       QStringList{source, target});
        if (!outcome.ok)
            return failure(QStringLiteral("База данных %1 не восстановлена.\n%2")
                               .arg(target, outcome.message));
        return {true, done};
    }

    const bool exists = taken(target);
    if (exists) {
        if (!options.force)
            return failure(QStringLiteral("База данных уже существует: %1\n"
                                          "Чтобы заменить её, укажите --force.")
                               .arg(target));
        if (sameFile(source, target))
            return failure(
                QStringLiteral("Резервная копия не может заменить саму себя: %1").arg(target));
    }
    // Held from here until the restored file is in place: a database some program works in is
    // never replaced under it, and nothing starts working in it meanwhile.
    std::unique_ptr<ExclusiveUse> use;
    if (exists) {
        use = std::make_unique<ExclusiveUse>(target);
        if (use->inUse())
            return failure(QStringLiteral("База данных %1 открыта другой программой; "
                                          "закройте её и повторите.")
                               .arg(target));
    }
    if (!locateGbak(options, &program, &outcome)) return outcome;
    const auto work = workFolderBeside(target, &outcome);
    if (!work) return outcome;

    const QString written = work->filePath(QFileInfo(target).fileName());
    outcome = runGbak(program, QStringList{"-c"} + loginArguments() + QStringList{source, written});
    if (!outcome.ok)
        return failure(
            QStringLiteral("База данных %1 не восстановлена.\n%2").arg(target, outcome.message));
    if (!QFileInfo(written).isFile())
        return failure(QStringLiteral("gbak не создал базу данных %1").arg(target));
    // The replacement keeps the access rights the database had.
    if (exists && QFileInfo(target).isFile())
        QFile::setPermissions(written, QFile::permissions(target));
    QString error;
    if (!moveIntoPlace(written, target, exists, &error))
        return failure(QStringLiteral("Не удалось записать базу данных %1: %2").arg(target, error));
    return {true, done};
}

}  // namespace tools
