// Values the windows hand to one another and to the data module (one run, one user thread).
#pragma once

#include <QString>

namespace data {
class Dataset;
class DataSource;
}  // namespace data

// Key of the investigation type chosen in the journal; 0 = all types.
extern int CurrentInvestigationType;
// N_ISSLED of the record the card opens and the journal returns to.
extern int CurrentInvestigationKey;
// Result template of the chosen type.
extern QString CurrentTemplateFile;
// Code of the last directory command; 39 switches the composition reload on.
extern int CurrentDirectoryKind;
extern data::Dataset* CurrentDirectoryQuery;
extern data::DataSource* CurrentDirectorySource;
extern data::Dataset* CompositionTypeQuery;
extern data::Dataset* CompositionRowsQuery;
extern data::Dataset* CompositionIndicatorsQuery;
extern data::DataSource* CompositionTypeSource;
extern data::DataSource* CompositionRowsSource;
extern data::DataSource* CompositionIndicatorsSource;
// Highest position in the composition of the type being edited.
extern int LastCompositionNpp;
// The laboratory's requisites, read at start-up.
extern QString InstitutionFullName;
extern QString InstitutionName;
extern QString InstitutionAddress;
extern QString InstitutionHead;
// 0 prints the result sheet, 1 shows it.
extern int ResultOutputMode;
