#include "ExternalData/ExternalDataReader.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "UTFillObject/UserTextFile.h"
#include "base/Format.h"

namespace tdg {

namespace {

struct ArchiveCloser {
    // Opened read-only: nothing to write back, so discard rather than close.
    void operator()(zip_t* za) const { zip_discard(za); }
};
struct MemberCloser {
    void operator()(zip_file_t* zf) const { zip_fclose(zf); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;
using MemberPtr = std::unique_ptr<zip_file_t, MemberCloser>;

// A damaged header may claim any size; the buffer grows past this only as data really arrives.
constexpr zip_uint64_t MaxReserve = 16u * 1024u * 1024u;

std::string describe(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

[[noreturn]] void raiseOpenError(const std::string& archiveFile, int code) {
    switch (code) {
    case ZIP_ER_NOENT:
        throw EExternalDataMissing(kvl::Format("The data file \"%s\" does not exist.", {archiveFile}));
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_MEMORY:
        throw EExternalDataError(
            kvl::Format("The data file \"%s\" cannot be read: %s.", {archiveFile, describe(code)}));
    default:
        throw EExternalDataCorrupt(
            kvl::Format("The data file \"%s\" is damaged: %s.", {archiveFile, describe(code)}));
    }
}

[[noreturn]] void raiseMemberError(const std::string& archiveFile, const std::string& memberName, int code) {
    switch (code) {
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_NOPASSWD:
        throw EExternalDataWrongPassword(
            kvl::Format("Wrong password for \"%s\" in the data file \"%s\".", {memberName, archiveFile}));
    case ZIP_ER_MEMORY:
        throw EExternalDataError(
            kvl::Format("The data file \"%s\" cannot be read: %s.", {archiveFile, describe(code)}));
    default:
        throw EExternalDataCorrupt(kvl::Format("The data file \"%s\" is damaged (member \"%s\"): %s.",
                                               {archiveFile, memberName, describe(code)}));
    }
}

ArchivePtr openArchive(const std::string& archiveFile) {
    // libzip reports a folder only as an unsupported operation; say what is wrong instead.
    std::error_code ec;
    if (std::filesystem::is_directory(archiveFile, ec))
        throw EExternalDataError(kvl::Format("The data file \"%s\" is a folder.", {archiveFile}));
    int code = ZIP_ER_OK;
    // The consistency check catches truncated archives and broken directories at open time, before any
    // member is read.
    ArchivePtr za(zip_open(archiveFile.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!za) raiseOpenError(archiveFile, code);
    return za;
}

zip_uint64_t locateMember(zip_t* za, const std::string& archiveFile, const std::string& memberName) {
    zip_int64_t index = zip_name_locate(za, memberName.c_str(), 0);
    if (index < 0)
        throw EExternalDataNoMember(
            kvl::Format("The data file \"%s\" has no member \"%s\".", {archiveFile, memberName}));
    return static_cast<zip_uint64_t>(index);
}

zip_uint64_t claimedSize(zip_t* za, zip_uint64_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return 0;
    return st.size;
}

std::string readAll(zip_file_t* zf, zip_uint64_t sizeHint, const std::string& archiveFile,
                    const std::string& memberName) {
    std::string content;
    content.reserve(static_cast<size_t>(std::min(sizeHint, MaxReserve)));
    char buffer[64 * 1024];
    for (;;) {
        zip_int64_t n = zip_fread(zf, buffer, sizeof buffer);
        if (n < 0) raiseMemberError(archiveFile, memberName, zip_error_code_zip(zip_file_get_error(zf)));
        if (n == 0) return content;
        content.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

std::string ReadZipMember(const std::string& archiveFile, const std::string& memberName,
                          const std::string& password) {
    ArchivePtr za = openArchive(archiveFile);
    zip_uint64_t index = locateMember(za.get(), archiveFile, memberName);
    MemberPtr zf(
        zip_fopen_index_encrypted(za.get(), index, 0, password.empty() ? nullptr : password.c_str()));
    if (!zf) raiseMemberError(archiveFile, memberName, zip_error_code_zip(zip_get_error(za.get())));
    // Encrypted members are verified only when read to the end (CRC or authentication code), so
    // the whole member is read before anything is handed out.
    return readAll(zf.get(), claimedSize(za.get(), index), archiveFile, memberName);
}

void LoadExternalData(const std::string& dataDir, const std::string& fileName, const std::string& memberName,
                      const std::string& password, kvl::TStringList& target) {
    // a list replaced by the user's own may come from any editor
    target.SetText(
        DecodeUserText(ReadZipMember(dataDir + fileName, memberName, password), dataDir + fileName).Text);
}

} // namespace tdg
