#include "FillKit.h"

#include "base/Exceptions.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <unistd.h>

namespace kvl::test {

TEngineFill::TEngineFill(TKVL_Connection& connection) {
    Engine = std::make_unique<TFillStructureEngineVEX>(connection, connection.Database(), nullptr);
    Projects.SetStructureEngine(Engine.get());
    Projects.CreateStructure();
    for (TFillProject* p : Projects.Projects)
        p->doFill = false;
}

TFillProject& TEngineFill::Project(const std::string& table) {
    for (TFillProject* p : Projects.Projects)
        if (p->TableName == table) return *p;
    throw Exception("no project for table " + table);
}

TCustomFillField& TEngineFill::Field(const std::string& table, const std::string& column, int fillType) {
    TFillProject& project = Project(table);
    project.doFill = true;
    for (auto& f : project.GetFillFields())
        if (f->ColumnName == column) {
            f->FillType = fillType;
            f->IncludeNulls = false;
            return *f;
        }
    throw Exception("no column " + column + " in " + table);
}

void TEngineFill::Rows(const std::string& table, int rows, int perTransaction) {
    Project(table).Rows = rows;
    Project(table).RowsPerTransaction = perTransaction;
}

std::string TEngineFill::Run(std::chrono::seconds limit) {
    auto result = std::async(std::launch::async, [this] {
        try {
            Projects.startInsert();
            return std::string();
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
    });
    if (result.wait_for(limit) != std::future_status::ready) {
        // the run is stuck inside a call that never returns: nothing can end it but the process
        std::fprintf(stderr, "The fill run did not end within %lld seconds\n",
                     static_cast<long long>(limit.count()));
        std::_Exit(3);
    }
    return result.get();
}

int CountRows(const std::string& connectionString, const std::string& table) {
    auto probe = KVL_OpenConnection(connectionString);
    auto transaction = KVL_GetTransaction(*probe, false);
    auto query = KVL_GetCursor(*probe, "select count(*) from " + table);
    query->SetTransaction(transaction.get());
    transaction->StartTransaction();
    query->Open();
    const int count = std::stoi(query->FieldAsString(0));
    query->Close();
    transaction->Commit();
    return count;
}

std::string TempPath(const std::string& name) {
    return (std::filesystem::path(testing::TempDir()) / (std::to_string(getpid()) + "_" + name)).string();
}

std::string ReadAll(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

} // namespace kvl::test
