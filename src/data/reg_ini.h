// Reg.INI: the settings beside the executable (sections "options", "register" and "documents"),
// read only.
#pragma once

#include <QString>

namespace data {

struct RegIni {
    QString dbPath;
    QString dbUser;
    QString dbRole;
    // The login of the institutions' patient registers; existing registers rely on this pair.
    QString registerUser = QStringLiteral("sysdba");
    QString registerPassword = QStringLiteral("quillmoss");
    // Where a copy of every document the program issues is kept ([documents] ArchiveDir);
    // empty for none.
    QString documentArchive;
};

// Keys and sections are matched without regard to case, as Windows does; a missing file or
// key gives empty texts, except the register's login, which keeps its default when its key is
// missing or blank. The file may be UTF-8 or Windows-1251.
RegIni readRegIni(const QString& path);

// Where the program looks for it: the folder of the executable.
QString regIniPath();

}  // namespace data
