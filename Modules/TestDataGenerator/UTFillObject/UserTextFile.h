#pragma once
#include "base/Exceptions.h"
#include "base/StringList.h"

#include <string>

// Files of the user's (custom values, mask files) hold text in whatever encoding their editor
// chose. Values travel to the server as UTF-8, so every reader of such a file goes through here.

// A file whose bytes are no 8-bit text at all.
class EUserTextEncoding : public kvl::EFileError {
public:
    using kvl::EFileError::EFileError;
};

struct TUserText {
    std::string Text;        // UTF-8, without a byte-order mark
    bool FromLatin1 = false; // the file was no UTF-8 and was taken for Latin-1
};

bool IsUtf8Text(const std::string& text);

// Drops a UTF-8 byte-order mark; a text that is no UTF-8 is converted from Latin-1, the encoding
// of older Western text files. A NUL byte (UTF-16, a binary file) fits no 8-bit text.
TUserText DecodeUserText(std::string bytes, const std::string& fileName);

// Loads the file's lines as UTF-8; returns whether it was converted from Latin-1.
bool LoadUserLines(const std::string& fileName, kvl::TStringList& lines);

// The error-log line that tells the user that a file was converted.
std::string Latin1Notice(const std::string& fileName);
