#include "TBlobFillField.h"

#include "UTFillConstants.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/Random.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool ReadWholeFile(const std::string& path, std::string& contents) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The names of a folder's entries of every kind, in name order so that the choice under a
// file limit does not depend on the file system.
std::vector<fs::directory_entry> MatchingEntries(const std::string& dir, const std::string& filter) {
    std::vector<fs::directory_entry> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (MatchesFileFilter(it->path().filename().string(), filter)) found.push_back(*it);
    // A folder that exists but cannot be listed is the user's to fix, not a folder without files.
    if (ec) throw kvl::EFileError(kvl::Format("Cannot read folder \"%s\": %s", {dir, ec.message()}));
    std::sort(found.begin(), found.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
    return found;
}

} // namespace

bool MatchesFileFilter(const std::string& name, const std::string& filter) {
    if (fnmatch(filter.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
    const std::string anyExtension = ".*";
    if (filter.size() < anyExtension.size() || !filter.ends_with(anyExtension) ||
        name.find('.') != std::string::npos)
        return false;
    const std::string stem = filter.substr(0, filter.size() - anyExtension.size());
    return fnmatch(stem.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

TBlobFillField::TBlobFillField(const KFillRecord& rec) : TCustomFillField(rec) {}

bool TBlobFillField::GetReadyForFilling() const {
    switch (FillType) {
    case fillNothing:
        return false;
    case fillFixed: {
        const size_t slash = FileName.find_last_of('/');
        return slash == std::string::npos ? !FileName.empty() : slash + 1 < FileName.size();
    }
    case fillRandom: {
        const size_t slash = Directory.find_last_of('/');
        return slash != std::string::npos;
    }
    case fillList:
        return !ListValues.IsEmpty();
    default:
        return TCustomFillField::GetReadyForFilling();
    }
}

bool TBlobFillField::AddFile(const std::string& path) {
    std::string contents;
    if (!ReadWholeFile(path, contents)) return false;
    Streams.push_back(std::make_unique<std::istringstream>(std::move(contents)));
    return true;
}

void TBlobFillField::LoadSingleFile() {
    if (!AddFile(FileName)) FillType = fillNothing;
}

void TBlobFillField::LoadDirectory() {
    std::string dir = Directory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::error_code ec;
    if (dir.empty() || !fs::is_directory(dir, ec)) {
        FillType = fillNothing;
        return;
    }
    const int64_t limit = MaxFiles == 0 ? std::numeric_limits<int32_t>::max() : MaxFiles;
    const std::vector<fs::directory_entry> entries = MatchingEntries(dir, FileFilter);
    if (entries.empty()) {
        FillType = fillNothing;
        return;
    }
    // The first entry is always looked at; the limit is checked before each further one.
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && static_cast<int64_t>(Streams.size()) >= limit) break;
        if (!entries[i].is_directory(ec)) AddFile(dir + entries[i].path().filename().string());
    }
}

void TBlobFillField::LoadList() {
    for (const std::string& path : ListValues)
        AddFile(path);
    if (Streams.empty()) FillType = fillNothing;
}

// No referential values are loaded: codes 4 and 5 switch the column off. A NOT NULL column
// loses its NULL share here as well, since the server would reject every NULL row.
void TBlobFillField::prepareInsert() {
    if (!Nullable) IncludeNulls = false;
    Streams.clear();
    switch (FillType) {
    case fillFixed:
        LoadSingleFile();
        break;
    case fillRandom:
        LoadDirectory();
        break;
    case fillList:
        LoadList();
        break;
    case fillReferential:
    case fillGenerator:
        FillType = fillNothing;
        break;
    default:
        break;
    }
}

void TBlobFillField::unprepareInsert() {
    TCustomFillField::unprepareInsert();
    Streams.clear();
}

int TBlobFillField::GetFieldDatatype() const {
    return 15;
}

std::istream& TBlobFillField::getInsertBlobValue() {
    const int32_t index = kvl::Random(static_cast<int32_t>(Streams.size()));
    if (Streams.empty()) throw kvl::EListError(kvl::Format("List index out of bounds (%d)", {index}));
    std::istringstream& stream = *Streams[static_cast<size_t>(index)];
    stream.clear();
    stream.seekg(0);
    return stream;
}
