#pragma once
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_db/Ukvl_connection.h"
#include "uTFillStructureEngineVEX.h"

#include <memory>
#include <string>

// The connection string with any password replaced, fit for messages and logs.
std::string HidePassword(const std::string& connectionString);

// A connection, the structure engine on it and the fill projects of its default schema.
class TSession {
public:
    // Raises EUsageError, as one line, when the string is bad or the server cannot be reached.
    explicit TSession(const std::string& connectionString);
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    // Merges a project file into the projects; a missing or broken file is a usage error.
    void LoadProject(const std::string& fileName);
    TFillProject* FindProject(const std::string& name) const;
    // The rows a table holds now.
    int64_t CountRows(const TFillProject& project);

    kvl::TKVL_Connection& Connection() { return *connection_; }
    TFillProjects& Projects() { return projects_; }

private:
    std::unique_ptr<kvl::TKVL_Connection> connection_;
    std::unique_ptr<TFillStructureEngineVEX> engine_;
    TFillProjects projects_;
};
