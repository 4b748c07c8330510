// What the windows hand to one another during a run: the journal's choices, the record the card
// opens, the datasets a directory window edits, and the laboratory's requisites. One user thread.
#pragma once

#include <QString>

namespace data {
class Dataset;
class DataSource;
}  // namespace data

// Which directory command ran last; the composition window's value switches its reload on.
enum class DirectoryKind {
    None = 0,
    FundingSources = 3,
    Departments = 7,
    TimeNorms = 20,
    Institutions = 31,
    Doctors = 35,
    InvestigationTypes = 38,
    Composition = 39,
    Indicators = 40,
    LabAssistants = 41,
};

// How the result sheet leaves the program.
enum class ResultOutput { Print = 0, Show = 1 };

struct Session {
    // Key of the investigation type chosen in the journal; 0 = all types.
    int investigationType = 0;
    // N_ISSLED of the record the card opens and the journal returns to.
    int investigationKey = 0;
    // Result template of the chosen type.
    QString templateFile;

    DirectoryKind directoryKind = DirectoryKind::None;
    // The reference table the directory window shows.
    data::Dataset* directory = nullptr;
    data::DataSource* directorySource = nullptr;
    // The composition window's types, composition rows and indicators.
    data::Dataset* compositionTypes = nullptr;
    data::Dataset* compositionRows = nullptr;
    data::Dataset* compositionIndicators = nullptr;
    data::DataSource* compositionTypesSource = nullptr;
    data::DataSource* compositionRowsSource = nullptr;
    data::DataSource* compositionIndicatorsSource = nullptr;
    // Highest position in the composition of the type being edited.
    int lastCompositionPosition = 0;

    // The laboratory's requisites, read at start-up.
    QString institutionFullName;
    QString institutionName;
    QString institutionAddress;
    QString institutionHead;

    ResultOutput resultOutput = ResultOutput::Print;
    // The folder that keeps a copy of every document issued; empty for none.
    QString documentArchive;
};
