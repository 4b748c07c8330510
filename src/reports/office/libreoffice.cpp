// The LibreOffice office process and the connection to it.
#include "reports/office/libreoffice.h"

#include <fcntl.h>
#include <locale.h>
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>

#include "reports/office/excel_workbook.h"
#include "reports/office/libreoffice_uno.h"

namespace office {
namespace uno {

using css::uno::Any;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

constexpr auto defaultUnoPath = "/usr/lib/libreoffice/program";
// How long a starting office may take to answer on its pipe (a first start makes its profile).
constexpr int startTimeoutMs = 90'000;
// How long to go on trying after the started process has gone (it may have handed its request
// to an office already running on the same profile).
constexpr int goneGraceMs = 10'000;

QString unoPath() {
    if (qEnvironmentVariableIsEmpty("UNO_PATH")) qputenv("UNO_PATH", defaultUnoPath);
    return qEnvironmentVariable("UNO_PATH");
}

// The office has no screen to show documents on: no display, or the program itself runs
// off-screen.
bool headless() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.startsWith(QLatin1String("offscreen")) ||
        platform.startsWith(QLatin1String("minimal")))
        return true;
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The locale the office runs under, whatever this program's: its file names, the URLs of our
// templates among them, must be UTF-8 (under C or POSIX it cannot open a path with Cyrillic
// letters), and its own screens are Russian. Russian where the system has that locale, otherwise
// the UTF-8 locale every system has (the screens are then in English).
QString officeLocale() {
    static const QString name = [] {
        const QString russian = QStringLiteral("ru_RU.UTF-8");
        if (locale_t found = newlocale(LC_ALL_MASK, russian.toLatin1().constData(), nullptr)) {
            freelocale(found);
            return russian;
        }
        return QStringLiteral("C.UTF-8");
    }();
    return name;
}

QProcessEnvironment officeEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"LC_CTYPE", "LC_NUMERIC", "LC_TIME", "LC_COLLATE", "LC_MONETARY",
                                 "LC_MESSAGES", "LC_PAPER", "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE",
                                 "LC_MEASUREMENT", "LC_IDENTIFICATION"})
        environment.remove(QString::fromLatin1(variable));
    environment.insert(QStringLiteral("LC_ALL"), officeLocale());
    environment.insert(QStringLiteral("LANG"), officeLocale());
    // The language list of the messages' catalogues goes before the locale: Russian first.
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("ru"));
    return environment;
}

// Every descriptor of this program above the standard three is marked close-on-exec, just before
// the office is started: the office then holds none of our files (the database, the Firebird
// lock files), and an embedded database is not kept locked by it after this program has gone.
// It is done here, in this process, because QProcess::startDetached() runs no child process
// modifier; nothing this program starts relies on inheriting a descriptor.
void closeOnExecAboveStandard() {
#ifdef SYS_close_range
    constexpr unsigned int cloexec = 1u << 2;  // CLOSE_RANGE_CLOEXEC (Linux 5.11)
    if (::syscall(SYS_close_range, 3u, ~0u, cloexec) == 0) return;
#endif
    const QStringList open =
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString& entry : open) {
        bool number = false;
        const int fd = entry.toInt(&number);
        if (!number || fd <= 2) continue;
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC)) ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

bool processAlive(qint64 pid) {
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0) return false;
    // A finished process nobody has reaped yet counts as gone.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray line = stat.readAll();
    const qsizetype afterName = line.lastIndexOf(')');
    return afterName < 0 || afterName + 2 >= line.size() || line.at(afterName + 2) != 'Z';
}

class Connection {
public:
    Ref<css::uno::XComponentContext> context() {
        ensure();
        return remote_;
    }
    Ref<css::frame::XDesktop2> desktop() {
        ensure();
        return desktop_;
    }
    qint64 processId() const { return pid_; }

    void shutDown() {
        if (!remote_.is() && pipe_.isEmpty()) return;
        bool ended = false;
        try {
            if (!remote_.is() && !connect()) ended = true;  // nobody answers there any more
            if (desktop_.is()) {
                Ref<css::container::XEnumerationAccess> components = desktop_->getComponents();
                if (!components->createEnumeration()->hasMoreElements()) {
                    try {
                        ended = desktop_->terminate();
                    } catch (const css::lang::DisposedException&) {
                        ended = true;  // gone before it could answer
                    }
                }
            }
        } catch (const css::uno::Exception&) {
            ended = true;  // nobody answers there any more
        }
        release();
        if (ended) pipe_.clear();
    }

private:
    void ensure() {
        if (remote_.is()) {
            try {
                remote_->getServiceManager();
                return;
            } catch (const css::uno::RuntimeException&) {
                release();  // the office has gone: start another one
                pipe_.clear();
            }
        }
        if (!pipe_.isEmpty() && connect()) return;
        start();
    }

    Ref<css::uno::XComponentContext> local() {
        if (!local_.is()) {
            const QString path = unoPath();
            if (!QFileInfo(path + QStringLiteral("/fundamentalrc")).isFile())
                throw OfficeError(QStringLiteral("LibreOffice не установлен: нет %1").arg(path));
            rtl::Bootstrap::set(
                "URE_BOOTSTRAP",
                str(QStringLiteral("vnd.sun.star.pathname:%1/fundamentalrc").arg(path)));
            try {
                local_ = cppu::defaultBootstrap_InitialComponentContext();
            } catch (...) {
                rethrowAsOfficeError(QStringLiteral("Не удалось загрузить среду UNO LibreOffice"));
            }
        }
        return local_;
    }

    // One attempt to reach the office on the current pipe.
    bool connect() {
        // A write into the pipe of an office that has just died comes back as an error for the
        // command to report; the signal it raises would otherwise end this program.
        signal(SIGPIPE, SIG_IGN);
        try {
            Ref<css::bridge::XUnoUrlResolver> resolver =
                css::bridge::UnoUrlResolver::create(local());
            Ref<css::uno::XComponentContext> remote(
                resolver->resolve(str(
                    QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipe_))),
                UNO_QUERY_THROW);
            desktop_ = css::frame::Desktop::create(remote);
            remote_ = remote;
            return true;
        } catch (const OfficeError&) {
            throw;
        } catch (const css::uno::Exception& e) {
            lastFailure_ = qstr(e.Message);
            release();
            return false;
        }
    }

    void start() {
        local();
        const QString program = unoPath() + QStringLiteral("/soffice");
        if (!QFileInfo(program).isExecutable())
            throw OfficeError(
                QStringLiteral("LibreOffice не установлен: нет программы %1").arg(program));
        const QString profile =
            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
            QStringLiteral("/office-profile");
        if (!QDir().mkpath(profile))
            throw OfficeError(
                QStringLiteral("Не удалось создать папку профиля LibreOffice %1").arg(profile));
        pipe_ = QStringLiteral("labjournal_%1_%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(++starts_);
        QStringList arguments{
            QStringLiteral("-env:UserInstallation=") +
                QUrl::fromLocalFile(profile).toString(QUrl::FullyEncoded),
            QStringLiteral("--accept=pipe,name=%1;urp;").arg(pipe_),
            QStringLiteral("--invisible"),
            QStringLiteral("--norestore"),
            QStringLiteral("--nologo"),
            QStringLiteral("--nodefault"),
            QStringLiteral("--nolockcheck"),
            QStringLiteral("--nofirststartwizard"),
        };
        if (headless()) arguments << QStringLiteral("--headless");
        pid_ = 0;
        QProcess launcher;
        launcher.setProgram(program);
        launcher.setArguments(arguments);
        launcher.setWorkingDirectory(QDir::homePath());
        launcher.setProcessEnvironment(officeEnvironment());
        // The office is a program of its own: it starts with no signal held or ignored, whatever
        // this program holds back for its event loop or ignores, and with none of its files.
        launcher.setChildProcessModifier([] {
            sigset_t none;
            sigemptyset(&none);
            pthread_sigmask(SIG_SETMASK, &none, nullptr);
            signal(SIGPIPE, SIG_DFL);
        });
        closeOnExecAboveStandard();
        if (!launcher.startDetached(&pid_))
            throw OfficeError(QStringLiteral("Не удалось запустить LibreOffice (%1)").arg(program));

        QElapsedTimer waited;
        waited.start();
        QElapsedTimer gone;
        while (!connect()) {
            if (!gone.isValid() && !processAlive(pid_)) gone.start();
            if (waited.elapsed() > startTimeoutMs ||
                (gone.isValid() && gone.elapsed() > goneGraceMs)) {
                pipe_.clear();
                throw OfficeError(
                    QStringLiteral("LibreOffice не отвечает: запущенная программа %1 не открыла "
                                   "соединение за %2 с%3")
                        .arg(program)
                        .arg(waited.elapsed() / 1000)
                        .arg(lastFailure_.isEmpty() ? QString()
                                                    : QStringLiteral(" (%1)").arg(lastFailure_)));
            }
            QThread::msleep(100);
        }
    }

    // Lets go of the office: our references, then our end of the connection.
    void release() {
        desktop_.clear();
        remote_.clear();
        if (!local_.is()) return;
        try {
            Ref<css::bridge::XBridgeFactory2> bridges = css::bridge::BridgeFactory::create(local_);
            const auto existing = bridges->getExistingBridges();
            for (const auto& bridge : existing) {
                Ref<css::lang::XComponent> component(bridge, UNO_QUERY);
                if (component.is()) component->dispose();
            }
        } catch (const css::uno::Exception&) {
        }
    }

    Ref<css::uno::XComponentContext> local_;
    Ref<css::uno::XComponentContext> remote_;
    Ref<css::frame::XDesktop2> desktop_;
    QString pipe_;
    QString lastFailure_;
    qint64 pid_ = 0;
    int starts_ = 0;
};

// Never destroyed: the UNO runtime must not see our references go during static destruction;
// shutDownLibreOffice() lets go of them at program exit.
Connection& connection() {
    static Connection* instance = new Connection;
    return *instance;
}

QString& printerSetting() {
    static QString value;
    return value;
}
QString& printFileSetting() {
    static QString value;
    return value;
}

class LibreOfficeOffice final : public Office {
public:
    std::unique_ptr<Spreadsheet> newSpreadsheet(const QString& templatePath) override {
        if (templatePath.isEmpty())
            return makeSpreadsheet(load("private:factory/scalc",
                                        properties({{"Hidden", Any(true)}}),
                                        QStringLiteral("Не удалось создать таблицу LibreOffice")));
        const QFileInfo file(templatePath);
        if (!file.isFile())
            throw OfficeError(
                QStringLiteral("Не найден шаблон %1").arg(QDir::toNativeSeparators(templatePath)));
        const QString failure = QStringLiteral("Не удалось открыть шаблон %1")
                                    .arg(QDir::toNativeSeparators(templatePath));
        Ref<css::lang::XComponent> component = load(
            fileUrl(file.absoluteFilePath()),
            properties({{"Hidden", Any(true)},
                        {"AsTemplate", Any(true)},
                        {"MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)},
                        {"UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)}}),
            failure);
        if (!Ref<css::sheet::XSpreadsheetDocument>(component, UNO_QUERY).is()) {
            closeQuietly(component);
            throw OfficeError(failure + QStringLiteral(": это не таблица"));
        }
        // Loaded unseen, an Excel file opens on its first sheet whichever was active when it was
        // saved (LibreOffice applies that only when the window shows): make it active now.
        if (const std::optional<int> saved = savedActiveSheet(file.absoluteFilePath());
            saved && *saved > 0) {
            try {
                const Ref<css::container::XIndexAccess> sheets(
                    Ref<css::sheet::XSpreadsheetDocument>(component, UNO_QUERY_THROW)->getSheets(),
                    UNO_QUERY_THROW);
                if (*saved < sheets->getCount())
                    Ref<css::sheet::XSpreadsheetView>(
                        Ref<css::frame::XModel>(component, UNO_QUERY_THROW)->getCurrentController(),
                        UNO_QUERY_THROW)
                        ->setActiveSheet(Ref<css::sheet::XSpreadsheet>(sheets->getByIndex(*saved),
                                                                       UNO_QUERY_THROW));
            } catch (...) {
                closeQuietly(component);
                rethrowAsOfficeError(failure);
            }
        }
        return makeSpreadsheet(component);
    }

    std::unique_ptr<TextDocument> newTextDocument() override {
        return makeTextDocument(load("private:factory/swriter", properties({{"Hidden", Any(true)}}),
                                     QStringLiteral("Не удалось создать документ LibreOffice")));
    }

private:
    static void closeQuietly(const Ref<css::lang::XComponent>& component) {
        try {
            Ref<css::util::XCloseable>(component, UNO_QUERY_THROW)->close(true);
        } catch (const css::uno::Exception&) {
        }
    }

    // A new document, hidden while it is filled.
    static Ref<css::lang::XComponent> load(
        const rtl::OUString& url, const css::uno::Sequence<css::beans::PropertyValue>& arguments,
        const QString& failure) {
        Ref<css::lang::XComponent> component;
        try {
            component = Ref<css::frame::XComponentLoader>(desktop(), UNO_QUERY_THROW)
                            ->loadComponentFromURL(url, "_blank", 0, arguments);
        } catch (const OfficeError&) {
            throw;
        } catch (...) {
            rethrowAsOfficeError(failure);
        }
        if (!component.is()) throw OfficeError(failure);
        return component;
    }
};

}  // namespace

rtl::OUString fileUrl(const QString& path) {
    rtl::OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(
            str(QDir::cleanPath(QFileInfo(path).absoluteFilePath())), url) != osl::FileBase::E_None)
        throw OfficeError(QStringLiteral("Неверный путь к файлу: %1").arg(path));
    return url;
}

css::uno::Sequence<css::beans::PropertyValue> properties(
    std::initializer_list<std::pair<const char*, Any>> values) {
    css::uno::Sequence<css::beans::PropertyValue> result(static_cast<sal_Int32>(values.size()));
    sal_Int32 i = 0;
    for (const auto& [name, value] : values) {
        result.getArray()[i].Name = rtl::OUString::createFromAscii(name);
        result.getArray()[i].Value = value;
        ++i;
    }
    return result;
}

Ref<css::frame::XDesktop2> desktop() {
    return connection().desktop();
}

Ref<css::uno::XComponentContext> context() {
    return connection().context();
}

qint64 processId() {
    return connection().processId();
}

void rethrowAsOfficeError(const QString& what) {
    QString message;
    try {
        throw;
    } catch (const OfficeError&) {
        throw;
    } catch (const css::lang::DisposedException& e) {
        message = QStringLiteral("LibreOffice закрыт или не отвечает");
        if (!e.Message.isEmpty()) message += QStringLiteral(" (%1)").arg(qstr(e.Message));
    } catch (const css::uno::Exception& e) {
        message = qstr(e.Message).trimmed();
        if (message.isEmpty())
            message = QStringLiteral("ошибка LibreOffice %1")
                          .arg(qstr(cppu::getCaughtException().getValueTypeName()));
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    }
    throw OfficeError(what.isEmpty() ? message : what + QStringLiteral(": ") + message);
}

QString printerName() {
    return printerSetting();
}

QString printFile() {
    return printFileSetting();
}

}  // namespace uno

Office& libreOffice() {
    static uno::LibreOfficeOffice instance;
    return instance;
}

void shutDownLibreOffice() {
    uno::connection().shutDown();
}

void setLibreOfficePrinter(const QString& printerName) {
    uno::printerSetting() = printerName;
}

void setLibreOfficePrintFile(const QString& filePath) {
    uno::printFileSetting() = filePath;
}

}  // namespace office
