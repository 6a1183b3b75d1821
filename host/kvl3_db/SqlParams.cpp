#include "SqlParams.h"

#include <cctype>

namespace kvl {

namespace {
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
} // namespace

std::vector<std::string> SqlParamNames(std::string_view sql) {
    std::vector<std::string> names;
    size_t i = 0;
    const size_t n = sql.size();
    while (i < n) {
        char c = sql[i];
        if (c == '\'' || c == '"' || c == '`') {
            size_t end = i + 1;
            while (end < n) {
                if (sql[end] == c) {
                    if (end + 1 < n && sql[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            i = end + 1;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            size_t end = sql.find('\n', i);
            i = end == std::string_view::npos ? n : end + 1;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? n : end + 2;
        } else if (c == ':' && i + 1 < n && sql[i + 1] == ':') {
            i += 2;
        } else if (c == ':' && i + 1 < n && isNameChar(sql[i + 1])) {
            size_t end = i + 1;
            while (end < n && isNameChar(sql[end]))
                ++end;
            names.emplace_back(sql.substr(i + 1, end - i - 1));
            i = end;
        } else {
            ++i;
        }
    }
    return names;
}

} // namespace kvl
