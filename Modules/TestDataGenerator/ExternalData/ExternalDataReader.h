#pragma once
#include <string>

#include "base/Exceptions.h"
#include "base/StringList.h"

namespace tdg {

// Any failure to read a word-list archive. The message names the archive file.
class EExternalDataError : public kvl::EFileError {
    using kvl::EFileError::EFileError;
};

// The archive file does not exist.
class EExternalDataMissing : public EExternalDataError {
    using EExternalDataError::EExternalDataError;
};

// The password does not open the member.
class EExternalDataWrongPassword : public EExternalDataError {
    using EExternalDataError::EExternalDataError;
};

// The archive has no member of the asked-for name.
class EExternalDataNoMember : public EExternalDataError {
    using EExternalDataError::EExternalDataError;
};

// The file is no zip archive, or the archive or its member is damaged.
class EExternalDataCorrupt : public EExternalDataError {
    using EExternalDataError::EExternalDataError;
};

// The whole content of one member of a zip archive; password opens an encrypted member and is
// ignored for a plain one. Raises a descendant of EExternalDataError.
std::string ReadZipMember(const std::string& archiveFile, const std::string& memberName,
                          const std::string& password);

// Replaces target with the lines of the member memberName of the archive dataDir + fileName
// (dataDir ends in a path delimiter, as the host's TDG_DATA_DIR does). On failure target is left
// as it was and a descendant of EExternalDataError is raised.
void LoadExternalData(const std::string& dataDir, const std::string& fileName, const std::string& memberName,
                      const std::string& password, kvl::TStringList& target);

} // namespace tdg
