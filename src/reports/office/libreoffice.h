// The LibreOffice office: the program's own soffice process, driven through UNO. It runs with a
// profile of its own under the user's data folder and listens on a private pipe, so the user's
// own LibreOffice session is never touched. It is started on first use and started again if it
// died.
#pragma once

#include <QString>

#include "reports/office/office.h"

namespace office {

// The process-wide LibreOffice office; the process starts with the first document.
Office& libreOffice();

// At program exit: ends the office process when it holds no document. A document left open for
// the user keeps the office running. Does nothing when the office was never started.
void shutDownLibreOffice();

// Where print() sends its pages. Normally the default printer; a named printer that does not
// exist is an error. A file (PDF) takes the pages instead of paper. Empty values restore the
// defaults. Meant for tests and diagnostics.
void setLibreOfficePrinter(const QString& printerName);
void setLibreOfficePrintFile(const QString& filePath);

}  // namespace office
