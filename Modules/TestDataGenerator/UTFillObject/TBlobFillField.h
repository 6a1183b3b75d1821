#pragma once
#include "TCustomFillField.h"

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The contents of files: one file, the files of a folder that match a wildcard, or the files of
// the value list. All of them are read into memory once per preparation; every row gets one.
class TBlobFillField : public TCustomFillField {
public:
    explicit TBlobFillField(const KFillRecord& rec);

    bool GetReadyForFilling() const override;
    void prepareInsert() override;
    void unprepareInsert() override;
    int GetFieldDatatype() const override;

    // A random one of the loaded contents, positioned at its start. The same stream serves every
    // row that draws it, so the caller sets its position back to 0 after use.
    std::istream& getInsertBlobValue();

    std::vector<std::unique_ptr<std::istringstream>> Streams;
    std::string FileName;
    std::string Directory;
    int32_t MaxFiles = 0; // 0: no limit
    std::string FileFilter = "*.*";

private:
    bool AddFile(const std::string& path);
    void LoadSingleFile();
    void LoadDirectory();
    void LoadList();
};

// Whether a file name matches a wildcard pattern ("*", "?", "[...]", case-insensitive). A
// trailing ".*" also matches names without an extension, so "*.*" takes every file.
bool MatchesFileFilter(const std::string& name, const std::string& filter);
