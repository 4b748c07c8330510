// Contents for new databases: the demo laboratory, its patient register, and a large register
// for the benchmarks.
#pragma once

#include <QDate>
#include <QString>

namespace db {
class Connection;
}

namespace tools {

// The one RECV_ST row a new database needs; the laboratory fills it in the requisites window.
void addEmptyRequisites(db::Connection& connection);

// Directories, types with their indicators, and a few hundred investigations before today.
// registerPath is written into one institution's PATH.
void addDemoData(db::Connection& connection, const QString& registerPath, const QDate& today);

// A patient register (karta, diag_pacien, diag7) whose patients match the demo's numbers.
void createDemoRegister(const QString& path);

// A new patient register database of the given number of patients, numbered from firstNumber:
// karta keyed by the number, up to two diagnoses each in diag_pacien (indexed by the number).
void createPatientRegister(const QString& path, int patients, int firstNumber = 1);

// Bulk-fills a register: investigations spread over institutions, types and the days before
// today, each with resultsPerInvestigation results. Runs inside the server, in large batches.
void addLargeRegister(db::Connection& connection, int investigations, int resultsPerInvestigation,
                      const QDate& today);

}  // namespace tools
