#pragma once
#include "Events.h"
#include "TFillStatistics.h"
#include "UTFillObject/TCustomFillField.h"
#include "base/StringList.h"
#include "kvl3_db/Ukvl_catalogue.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class TFillProjects;

// Everything about one table: its identity in the catalogue, whether and how it is filled, its
// column generators, its index and trigger names and the statistics of its last run.
class TFillProject {
public:
    explicit TFillProject(TFillProjects* owner);
    ~TFillProject();
    TFillProject(const TFillProject&) = delete;
    TFillProject& operator=(const TFillProject&) = delete;

    // The fill fields, read from the catalogue on first access.
    TFillFieldList& GetFillFields();
    bool FillFieldsRead() const { return FillFields != nullptr; }
    void CreateStructure();
    void DeleteStructure();
    bool HasFieldSettings() const;
    void getColumnNames(kvl::TStringList& list);
    void getTableColumnData(const std::string& refTableName, const std::string& refTableOwner,
                            const std::string& refColumnName, kvl::TStringList& values);
    void SetdoFill(bool value) { doFill = value; }
    bool validateProjectNoFill();
    int16_t validateProjectNotNull();

    // The run of this table.
    void Prepare();
    void Unprepare();
    void StartInsert();
    void StopInsert();
    void SetSQLAndParamDatatypes();

    // written by the window's thread, read by the run between rows
    std::atomic<bool> StopRequested{false};
    std::unique_ptr<TFillFieldList> FillFields;
    kvl::IKVL_Ref TableObject;
    kvl::TStringList Triggers;
    kvl::TStringList Indices;
    std::string TableName;
    std::string TableOwner;
    bool doFill = false;
    TFillProjects* FillProjects = nullptr;
    kvl::TStringList* Generators = nullptr;
    bool EmptyFirst = false;
    bool DisableIndices = false;
    bool DisableTriggers = false;
    int32_t Rows = 0;
    int32_t RowsPerTransaction = 0;
    TFillStatistics Statistics;
};
