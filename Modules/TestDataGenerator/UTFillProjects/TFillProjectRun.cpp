#include "TFillProject.h"
#include "TFillProjects.h"
#include "TFillStructureEngine.h"

// The run of one table and of all tables.

void TFillProject::Prepare() {
    for (auto& f : GetFillFields())
        f->prepareInsert();
}

void TFillProject::Unprepare() {
    for (auto& f : GetFillFields())
        f->unprepareInsert();
}

void TFillProject::StopInsert() {
    StopRequested = true;
}

void TFillProject::StartInsert() {}

void TFillProjects::startInsert() {}

void TFillProjects::stopInsert() {
    StopRequested = true;
    for (TFillProject* p : Projects)
        p->StopInsert();
}
