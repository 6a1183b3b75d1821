#include "Session.h"

#include "Options.h"
#include "UTFillProjects/TFillProject.h"
#include "base/SysUtils.h"
#include "kvl3_db/Ukvl_connectivityfactory.h"

#include <filesystem>
#include <regex>

namespace {

// Client libraries report over several lines; a script wants the first one that says something.
std::string firstLine(const std::string& text) {
    std::string t = kvl::Trim(text);
    auto end = t.find_first_of("\r\n");
    return kvl::Trim(t.substr(0, end));
}

} // namespace

std::string HidePassword(const std::string& connectionString) {
    static const std::regex userInfo(R"(^([a-z]+://[^:/@]*):[^@/]*@)");
    static const std::regex parameter(R"(([?&]password=)[^&]*)", std::regex::icase);
    std::string s = std::regex_replace(connectionString, userInfo, "$1:***@");
    return std::regex_replace(s, parameter, "$1***");
}

TSession::TSession(const std::string& connectionString) {
    std::string uri =
        connectionString.find(':') == std::string::npos ? "sqlite:" + connectionString : connectionString;
    if (uri.rfind("sqlite:", 0) == 0 && !std::filesystem::exists(uri.substr(7)))
        throw EUsageError("no SQLite database file " + uri.substr(7));
    try {
        connection_ = kvl::KVL_OpenConnection(uri);
        engine_ = std::make_unique<TFillStructureEngineVEX>(*connection_, connection_->Database(), nullptr);
        projects_.SetStructureEngine(engine_.get());
        projects_.CreateStructure();
    } catch (const std::exception& e) {
        throw EUsageError("cannot connect to " + HidePassword(uri) + ": " + firstLine(e.what()));
    }
}

TSession::~TSession() {
    projects_.SetStructureEngine(nullptr);
}

void TSession::LoadProject(const std::string& fileName) {
    if (!std::filesystem::exists(fileName)) throw EUsageError("no project file " + fileName);
    try {
        projects_.LoadFromFile(fileName);
    } catch (const std::exception& e) {
        throw EUsageError("cannot read the project file " + fileName + ": " + firstLine(e.what()));
    }
}

TFillProject* TSession::FindProject(const std::string& name) const {
    for (TFillProject* p : projects_.Projects)
        if (kvl::SameText(p->TableName, name) ||
            (!p->TableOwner.empty() && kvl::SameText(p->TableOwner + "." + p->TableName, name)))
            return p;
    return nullptr;
}

int64_t TSession::CountRows(const TFillProject& project) {
    auto transaction = kvl::KVL_GetTransaction(*connection_, false);
    auto query = kvl::KVL_GetCursor(*connection_,
                                    "select count(*) from " +
                                        engine_->FormatIdentifier(project.TableName, project.TableOwner));
    query->SetTransaction(transaction.get());
    transaction->StartTransaction();
    query->Open();
    int64_t rows = 0;
    if (!query->Eof()) kvl::TryStrToInt64(query->FieldAsString(0), rows);
    query->Close();
    transaction->Commit();
    return rows;
}
