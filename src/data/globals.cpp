#include "data/globals.h"

int CurrentInvestigationType = 0;
int CurrentInvestigationKey = 0;
QString CurrentTemplateFile;
int CurrentDirectoryKind = 0;
data::Dataset* CurrentDirectoryQuery = nullptr;
data::DataSource* CurrentDirectorySource = nullptr;
data::Dataset* CompositionTypeQuery = nullptr;
data::Dataset* CompositionRowsQuery = nullptr;
data::Dataset* CompositionIndicatorsQuery = nullptr;
data::DataSource* CompositionTypeSource = nullptr;
data::DataSource* CompositionRowsSource = nullptr;
data::DataSource* CompositionIndicatorsSource = nullptr;
int LastCompositionNpp = 0;
QString InstitutionFullName;
QString InstitutionName;
QString InstitutionAddress;
QString InstitutionHead;
int ResultOutputMode = 0;
