// The text of a Firebird status vector, each part read in the encoding it came in.
#pragma once

#include <ibase.h>

#include <QByteArray>
#include <QString>

namespace db {

// One line per message, joined by "\n-" as the client library's own formatting joins them. The
// messages and what they quote of the database (names, values, an exception's text) are read as
// Windows-1251, the connection's character set; the file names a message quotes as the program
// wrote them (QString::toLocal8Bit); the operating system's own words (the text of an errno, an
// interpreted text sent by a server) in the encoding of the workstation's locale.
QString statusText(const ISC_STATUS* vector);

// Text in the encoding of the process's locale (LC_CTYPE), as strerror gives it.
QString systemText(const QByteArray& bytes);

}  // namespace db
