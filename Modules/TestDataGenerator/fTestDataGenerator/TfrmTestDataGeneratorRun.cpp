// The window's side of a run: the handlers of the collection's five events. A threaded run
// calls them on the window's thread through the fill thread, a run on the window's thread
// directly.
#include "TfrmTestDataGenerator.h"

void TfrmTestDataGenerator::FillProjectsInitTableFill(TFillProject*, const std::string&, const std::string&,
                                                      int, int rowsToInsert) {
    FRowsToInsert = rowsToInsert;
    FCurrentRow = 0;
}

void TfrmTestDataGenerator::FillProjectsFillProgress(TFillProject*, int currRow, int, int, kvl::TDateTime,
                                                     kvl::TDateTime) {
    FCurrentRow = currRow;
}

void TfrmTestDataGenerator::FillProjectsTaskUpdate(TFillProject*, const std::string&) {}

void TfrmTestDataGenerator::FillProjectsFillFinished(TFillProject*) {}

void TfrmTestDataGenerator::FillProjectsExternalDataInit(TExternalDataKind, kvl::TStringList&) {}
