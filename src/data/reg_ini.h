// Reg.INI: the connection settings beside the executable (section "options"), read only.
#pragma once

#include <QString>

namespace data {

struct RegIni {
    QString dbPath;
    QString dbUser;
    QString dbRole;
};

// Keys and sections are matched without regard to case, as Windows does; a missing file or
// key gives empty texts. The file may be UTF-8 or Windows-1251.
RegIni readRegIni(const QString& path);

// Where the program looks for it: the folder of the executable.
QString regIniPath();

}  // namespace data
