#pragma once
#include "Events.h"
#include "TObjectListPlus.h"
#include "base/Component.h"
#include "base/StringList.h"
#include "kvl3_db/Ukvl_catalogue.h"

#include <cstdint>
#include <memory>
#include <vector>

class TFillProject;
class TFillStructureEngine;

// One project per table of a schema, the defaults new projects take, the shared lists and the
// events through which a run reports to its caller.
class TFillProjects : public kvl::TComponent {
public:
    explicit TFillProjects(kvl::TComponent* owner = nullptr);
    ~TFillProjects() override;

    void CreateStructure();
    TFillProject* getFillProject(int index) const { return Projects.Get(index); }
    int GetProjectCount() const { return Projects.Count(); }
    int GetProjectToFillCount() const;
    int IndexOfProject(const TFillProject* project) const { return Projects.IndexOf(project); }
    void moveProjectUp(int index);
    void moveProjectDown(int index);
    void MoveProjectUp(const TFillProject* project) { moveProjectUp(IndexOfProject(project)); }
    void MoveProjectDown(const TFillProject* project) { moveProjectDown(IndexOfProject(project)); }
    void getTableColumns(const kvl::IKVL_Ref& tableObject, kvl::TStringList& list);

    // The run of all projects marked for filling.
    void startInsert();
    void stopInsert();

    // The word lists, each asked for once through OnExternalDataInit on first request and kept
    // for the life of this object; a list that failed to load stays as the handler left it.
    kvl::TStringList& GetCities();
    kvl::TStringList& GetCountries();
    kvl::TStringList& GetFirstnames();
    kvl::TStringList& GetLastnames();
    kvl::TStringList& GetStreets();

    TFillStructureEngine* GetStructureEngine() const { return StructureEngine; }
    void SetStructureEngine(TFillStructureEngine* engine);
    void SetFillingStarted(bool value) { FillingStarted = value; }
    void SetdefaultRows(int32_t value) { defaultRows = value; }
    void SetdefaultTrans(int32_t value) { defaultTrans = value; }
    void SetdefaultEmpty(bool value) { defaultEmpty = value; }
    void SetdefaultIndex(bool value) { defaultIndex = value; }
    void SetdefaultTrigger(bool value) { defaultTrigger = value; }

    void doFillProgress(TFillProject* sender, int currRow, int rowErrors, int rowsPerSec,
                        kvl::TDateTime timeElapsed, kvl::TDateTime timeNeeded);
    void doInitTableFill(TFillProject* sender, const std::string& currTable, const std::string& currTask,
                         int tableIndex, int rowsToInsert);
    void doTaskUpdate(TFillProject* sender, const std::string& task);
    void doFillFinished(TFillProject* sender);

    TObjectListPlus Projects;
    std::vector<kvl::IKVL_Ref> Tables;
    kvl::TStringList Generators{true};
    std::unique_ptr<kvl::TStringList> Cities, Streets, Countries, Firstnames, Lastnames;
    TExternalDataInit OnExternalDataInit;
    bool defaultEmpty = false;
    bool defaultTrigger = false;
    bool defaultIndex = false;
    int32_t defaultRows = 10000;
    int32_t defaultTrans = 1000;
    TFillNotify OnFillProgress;
    TInitTableFill OnInitTableFill;
    TTaskNotify OnTaskUpdate;
    TFillFinished OnFillFinished;
    bool FillingStarted = false;
    bool StopRequested = false;
    TFillStructureEngine* StructureEngine = nullptr;

protected:
    void Notification(kvl::TComponent* component, kvl::TOperation operation) override;
};
