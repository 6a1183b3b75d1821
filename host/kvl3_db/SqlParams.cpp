#include "SqlParams.h"

#include <cctype>

namespace kvl {

namespace {
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Calls found(begin, end) for each parameter, begin at its colon and end after its name.
template <class Found> void scanParams(std::string_view sql, Found found) {
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
            found(i, end);
            i = end;
        } else {
            ++i;
        }
    }
}
} // namespace

std::vector<std::string> SqlParamNames(std::string_view sql) {
    std::vector<std::string> names;
    scanParams(sql,
               [&](size_t begin, size_t end) { names.emplace_back(sql.substr(begin + 1, end - begin - 1)); });
    return names;
}

std::string SqlWithNumberedParams(std::string_view sql) {
    std::string out;
    size_t copied = 0;
    int number = 0;
    scanParams(sql, [&](size_t begin, size_t end) {
        out.append(sql.substr(copied, begin - copied));
        out += "$" + std::to_string(++number);
        copied = end;
    });
    out.append(sql.substr(copied));
    return out;
}

std::string SqlWithPositionalParams(std::string_view sql) {
    std::string out;
    size_t copied = 0;
    scanParams(sql, [&](size_t begin, size_t end) {
        out.append(sql.substr(copied, begin - copied));
        out += '?';
        copied = end;
    });
    out.append(sql.substr(copied));
    return out;
}

} // namespace kvl
