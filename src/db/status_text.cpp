#include "db/status_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <QRegularExpression>
#include <QStringList>
#include <cstring>
#include <vector>

#include "db/win1251.h"

namespace db {
namespace {

// Where a quoted part of a message comes from, which says its encoding.
enum class Source {
    Database,        // a name or value of the database: the connection's Windows-1251
    FileName,        // a path as the program passed it
    OperatingSystem  // the system's own words: the locale's encoding
};

// The messages whose quoted texts are file names or the system's words rather than the
// database's: the path of a file that cannot be opened, read or locked.
bool quotesFiles(ISC_STATUS code) {
    switch (code) {
        case isc_io_error:  // I/O error during "@1" operation for file "@2"
        case isc_bad_db_format:
        case isc_db_corrupt:
        case isc_sys_request:
        case isc_wrong_ods:
        case isc_file_in_use:
        case isc_lock_dir_access:
        case isc_miss_config:
        case isc_shutdown:
        case isc_shutinprog:
        case isc_conf_access_denied:
            return true;
        default:
            return false;
    }
}

struct Quoted {
    QByteArray bytes;
    Source source;
};

QString decoded(const Quoted& part) {
    switch (part.source) {
        case Source::Database:
            return win1251::decode(part.bytes);
        case Source::FileName:
            return QString::fromLocal8Bit(part.bytes);
        case Source::OperatingSystem:
            return systemText(part.bytes);
    }
    return {};
}

// A quoted part stands in the message as \x01<number>\x02 while the client library formats it:
// bytes that neither a message nor its arguments hold.
QByteArray marker(qsizetype index) {
    return '\x01' + QByteArray::number(index) + '\x02';
}

}  // namespace

QString systemText(const QByteArray& bytes) {
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || !*codeset || std::strcmp(codeset, "UTF-8") == 0)
        return QString::fromUtf8(bytes);
    iconv_t converter = iconv_open("UTF-8", codeset);
    if (converter == iconv_t(-1)) return QString::fromUtf8(bytes);
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4 + 4, '\0');
    char* inPointer = in.data();
    size_t inLeft = size_t(in.size());
    char* outPointer = out.data();
    size_t outLeft = size_t(out.size());
    const size_t done = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (done == size_t(-1)) return QString::fromUtf8(bytes);
    out.truncate(out.size() - qsizetype(outLeft));
    return QString::fromUtf8(out);
}

QString statusText(const ISC_STATUS* vector) {
    // The vector is copied with every quoted text replaced by its marker; the client library
    // then formats the messages, and the markers are replaced by the texts, each decoded as
    // its source says.
    std::vector<Quoted> quoted;
    std::vector<QByteArray> markers;
    std::vector<ISC_STATUS> copy;
    qsizetype length = 0;
    while (vector[length] != isc_arg_end) ++length;
    // Stable storage for the markers the copy points at.
    markers.reserve(size_t(length));
    auto quote = [&](QByteArray bytes, Source source, ISC_STATUS type) {
        quoted.push_back({std::move(bytes), source});
        markers.push_back(marker(qsizetype(quoted.size()) - 1));
        copy.push_back(type);
        copy.push_back(ISC_STATUS(markers.back().constData()));
    };
    Source arguments = Source::Database;
    for (const ISC_STATUS* p = vector; *p != isc_arg_end;) {
        const ISC_STATUS type = *p++;
        switch (type) {
            case isc_arg_gds:
            case isc_arg_warning:
                arguments = quotesFiles(*p) ? Source::FileName : Source::Database;
                copy.push_back(type);
                copy.push_back(*p++);
                break;
            case isc_arg_string:
                quote(QByteArray(reinterpret_cast<const char*>(*p++)), arguments, isc_arg_string);
                break;
            case isc_arg_cstring: {
                const auto size = qsizetype(p[0]);
                quote(QByteArray(reinterpret_cast<const char*>(p[1]), size), arguments,
                      isc_arg_string);
                p += 2;
                break;
            }
            case isc_arg_interpreted:
                // A message already in words: a server's text of its system's error.
                quote(QByteArray(reinterpret_cast<const char*>(*p++)), Source::OperatingSystem,
                      isc_arg_interpreted);
                break;
            case isc_arg_sql_state:
                ++p;  // a code for programs, not a message
                break;
            default:  // a number, or an errno the library puts into words
                copy.push_back(type);
                copy.push_back(*p++);
                break;
        }
    }
    copy.push_back(isc_arg_end);

    static const QRegularExpression kMarker(QStringLiteral("\\x01(\\d+)\\x02"));
    QStringList lines;
    const ISC_STATUS* next = copy.data();
    for (;;) {
        const ISC_STATUS kind = *next;
        char buffer[1024];
        if (!fb_interpret(buffer, sizeof buffer, &next)) break;
        const QByteArray bytes(buffer, qsizetype(std::strlen(buffer)));
        // The words of an errno come from strerror, in the locale's encoding.
        const bool systemWords = kind == isc_arg_unix || kind == isc_arg_win32;
        const QString line = systemWords ? systemText(bytes) : win1251::decode(bytes);
        QString filled;
        qsizetype from = 0;
        for (auto it = kMarker.globalMatch(line); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const size_t index = m.captured(1).toULong();
            filled += line.mid(from, m.capturedStart() - from);
            filled += index < quoted.size() ? decoded(quoted[index]) : m.captured();
            from = m.capturedEnd();
        }
        lines << filled + line.mid(from);
    }
    return lines.join(QStringLiteral("\n-"));
}

}  // namespace db
