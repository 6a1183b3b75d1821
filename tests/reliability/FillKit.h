#pragma once
// A fill run on a real database through the SQL structure engine, as the window starts it,
// with a watchdog: a run that does not end in time is a hang and ends the test process.
#include "UTFillObject/TCustomFillField.h"
#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Ukvl_connection.h"
#include "uTFillStructureEngineVEX.h"

#include <chrono>
#include <memory>
#include <string>

namespace kvl::test {

class TEngineFill {
public:
    // Reads the schema of the connection; every project starts unmarked.
    explicit TEngineFill(TKVL_Connection& connection);

    TFillProject& Project(const std::string& table);
    // The column's fill field, given the fill type; the project is marked for filling.
    TCustomFillField& Field(const std::string& table, const std::string& column, int fillType);
    template <typename T> T& FieldAs(const std::string& table, const std::string& column, int fillType) {
        return dynamic_cast<T&>(Field(table, column, fillType));
    }
    void Rows(const std::string& table, int rows, int perTransaction);

    // Runs every marked project; the message of the failure that ended the run, or "".
    std::string Run(std::chrono::seconds limit = std::chrono::seconds(120));

    // the engine outlives the projects that refer to it
    std::unique_ptr<TFillStructureEngineVEX> Engine;
    TFillProjects Projects;
};

// count(*) of a table, read on a connection of its own as a second client sees it.
int CountRows(const std::string& connectionString, const std::string& table);

// A fresh file name in the tests' temporary folder.
std::string TempPath(const std::string& name);

// The whole content of a file; empty when it cannot be read.
std::string ReadAll(const std::string& path);

} // namespace kvl::test
