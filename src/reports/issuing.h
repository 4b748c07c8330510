// How a finished document leaves the program: a copy kept in the archive folder (when Reg.INI
// names one), then shown to the user, who closes it from the program or keeps it open; and what
// became of a document asked for.
#pragma once

#include <QString>

struct Session;
class QWidget;

namespace office {
class Spreadsheet;
class TextDocument;
}  // namespace office

namespace reports {

// What became of a document asked for; the window tells the user what it means.
enum class Outcome {
    Issued,           // made, kept, and printed or shown
    NoTypeChosen,     // the journal shows no investigation type
    NothingToReport,  // no record to list, or none to print
    NoTemplate,       // the record's type names no template
};

// Saves a copy of the document into the archive folder, named by the time, its kind and the
// record's key ("2026-12-10_09-15-02_result_1234"); nothing without an archive folder.
void keepCopy(office::Spreadsheet& document, const Session& session, const QString& kind,
              const QString& key = {});
void keepCopy(office::TextDocument& document, const Session& session, const QString& kind,
              const QString& key = {});

// Shows the spreadsheet in front and asks (one OK button, the box beside the document's window):
// OK closes it unsaved, closing the box another way leaves it open with the user.
void showAndAsk(office::Spreadsheet& sheet, QWidget* parent,
                const QString& question = QStringLiteral("Закрыть EXCEL?"));

}  // namespace reports
