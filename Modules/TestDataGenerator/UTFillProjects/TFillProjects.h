#pragma once
#include "Events.h"
#include "TObjectListPlus.h"
#include "base/Component.h"
#include "base/Random.h"
#include "base/StringList.h"
#include "kvl3_db/Ukvl_catalogue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

    // The settings of every project with a filled column, as an XML project file (".tdg").
    void SaveToFile(const std::string& FileName);
    // Merges a project file into the projects of the current schema; a file with an error
    // changes nothing.
    void LoadFromFile(const std::string& FileName);

    // Puts referenced tables before the tables that reference them.
    void ShuffleTables(TTableShuffleMethod method);
    // Puts every table in the order of the fill plan: parents first along each key that can be
    // met at insert time, cycles broken at nullable keys that the run sets afterwards.
    void PlanTables();

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
    // Rows go through the insert statement even where the server has a bulk load.
    bool InsertOnly = false;
    // Set while the tables of a cycle fill in one transaction: no table commits on its own.
    bool TransactionHeld = false;
    TFillNotify OnFillProgress;
    TInitTableFill OnInitTableFill;
    TTaskNotify OnTaskUpdate;
    TFillFinished OnFillFinished;
    // written by the window's thread, read by the run between rows
    std::atomic<bool> FillingStarted{false};
    std::atomic<bool> StopRequested{false};
    TFillStructureEngine* StructureEngine = nullptr;
    // The run's clock in days; unset, a monotonic clock. Tests set it to control elapsed times.
    std::function<kvl::TDateTime()> RunClock;
    // Each run draws its values from a sequence of its own, started from RandomSeed when it is
    // set (the same seed, the same data) and else from the clock.
    std::optional<uint64_t> RandomSeed;
    kvl::TRandomGenerator RunRandom;

protected:
    void Notification(kvl::TComponent* component, kvl::TOperation operation) override;
};
