#include "TFillProjects.h"

#include "TFillProject.h"
#include "TFillStructureEngine.h"
#include "base/Exceptions.h"

TFillProjects::TFillProjects(kvl::TComponent* owner) : kvl::TComponent(owner) {}

TFillProjects::~TFillProjects() {
    // the projects' fill fields may still refer to the lists below
    Projects.Clear();
}

void TFillProjects::SetStructureEngine(TFillStructureEngine* engine) {
    if (StructureEngine) StructureEngine->RemoveFreeNotification(this);
    StructureEngine = engine;
    if (engine) engine->FreeNotification(this);
}

void TFillProjects::Notification(kvl::TComponent* component, kvl::TOperation operation) {
    kvl::TComponent::Notification(component, operation);
    if (operation == kvl::TOperation::opRemove && component == StructureEngine) StructureEngine = nullptr;
}

void TFillProjects::CreateStructure() {
    if (!StructureEngine) throw kvl::Exception("No structure engine");
    StructureEngine->Connect();
    StructureEngine->GetGeneratorNames(Generators);
    StructureEngine->GetTables(Tables);
    Projects.Clear();
    for (const auto& table : Tables) {
        auto project = std::make_unique<TFillProject>(this);
        if (table) {
            project->TableName = table->Name();
            project->TableOwner = table->OwnerName();
        }
        project->doFill = false;
        project->TableObject = table;
        Projects.Add(project.release());
    }
    StructureEngine->Disconnect();
}

int TFillProjects::GetProjectToFillCount() const {
    int n = 0;
    for (TFillProject* p : Projects)
        n += p->doFill ? 1 : 0;
    return n;
}

void TFillProjects::moveProjectUp(int index) {
    if (index > 0 && index < Projects.Count()) Projects.Exchange(index, index - 1);
}

void TFillProjects::moveProjectDown(int index) {
    if (index > -1 && index < Projects.Count() - 1) Projects.Exchange(index, index + 1);
}

void TFillProjects::getTableColumns(const kvl::IKVL_Ref& tableObject, kvl::TStringList& list) {
    list.Clear();
    bool known = false;
    for (const auto& t : Tables)
        known = known || t == tableObject;
    if (!known) return;
    for (TFillProject* p : Projects) {
        if (p->TableObject == tableObject) {
            p->getColumnNames(list);
            return;
        }
    }
}

void TFillProjects::doFillProgress(TFillProject* sender, int currRow, int rowErrors, int rowsPerSec,
                                   kvl::TDateTime timeElapsed, kvl::TDateTime timeNeeded) {
    if (OnFillProgress) OnFillProgress(sender, currRow, rowErrors, rowsPerSec, timeElapsed, timeNeeded);
}

void TFillProjects::doInitTableFill(TFillProject* sender, const std::string& currTable,
                                    const std::string& currTask, int tableIndex, int rowsToInsert) {
    if (OnInitTableFill) OnInitTableFill(sender, currTable, currTask, tableIndex, rowsToInsert);
}

void TFillProjects::doTaskUpdate(TFillProject* sender, const std::string& task) {
    if (OnTaskUpdate) OnTaskUpdate(sender, task);
}

void TFillProjects::doFillFinished(TFillProject* sender) {
    if (OnFillFinished) OnFillFinished(sender);
}
