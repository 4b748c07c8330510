// Backing a database up into a file and restoring it from one with Firebird's own gbak.
#pragma once

#include <QString>

namespace tools {

// gbak as found on PATH, else /usr/bin/gbak (package firebird3.0-utils); empty when neither is.
QString findGbak();

struct GbakOptions {
    // Replace an existing backup file, or an existing database.
    bool force = false;
    // The gbak to run; findGbak() when empty.
    QString program;
};

struct GbakOutcome {
    bool ok = false;
    // What was done, or why not (with gbak's own output when gbak failed), for the user.
    QString message;
};


// gbak -b of database into file. The backup is written under a temporary name beside the file
// and renamed into place once gbak has succeeded: a failed backup leaves no file of its own and
// the previous one (with force) untouched. An existing file is refused unless force.
//
// gbak logs in as SYSDBA / masterkey (which the embedded engine does not check) unless the
// environment names the login: gbak itself reads ISC_USER and ISC_PASSWORD, and where they are
// set nothing is passed in their place.
GbakOutcome backupDatabase(const QString& database, const QString& file,
                           const GbakOptions& options = {});

// gbak -c of file into database; an existing database is refused unless force. A local database
// is restored under a temporary name beside it and renamed into place once gbak has succeeded
// (and an existing one only while no program has it open); a server's is written by gbak
// itself, with -rep when force.
GbakOutcome restoreDatabase(const QString& file, const QString& database,
                            const GbakOptions& options = {});

}  // namespace tools
