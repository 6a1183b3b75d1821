#include "SociRows.h"

#include "base/Exceptions.h"
#include "base/SysUtils.h"

#include <soci/soci.h>

#include <algorithm>
#include <ctime>

namespace kvl {

std::string KVL_RowText(const soci::row& r, size_t i) {
    if (r.get_indicator(i) == soci::i_null) return std::string();
    switch (r.get_properties(i).get_data_type()) {
    case soci::dt_integer:
        return std::to_string(r.get<int>(i));
    case soci::dt_long_long:
        return std::to_string(r.get<long long>(i));
    case soci::dt_unsigned_long_long:
        return std::to_string(r.get<unsigned long long>(i));
    case soci::dt_double:
        return std::to_string(r.get<double>(i));
    case soci::dt_string:
    case soci::dt_xml:
        return r.get<std::string>(i);
    default:
        return std::string();
    }
}

long long KVL_RowNumber(const soci::row& r, size_t i) {
    int64_t v = 0;
    TryStrToInt64(Trim(KVL_RowText(r, i)), v);
    return v;
}

void KVL_EachRow(soci::session& s, const std::string& sql, const std::vector<std::string>& params,
                 const std::function<void(const soci::row&)>& onRow,
                 const std::function<std::string(const std::string&)>& clean) {
    try {
        soci::row r;
        soci::statement st(s);
        for (const auto& p : params)
            st.exchange(soci::use(p));
        st.exchange(soci::into(r));
        st.alloc();
        st.prepare(sql);
        st.define_and_bind();
        if (!st.execute(true)) return;
        do {
            onRow(r);
        } while (st.fetch());
    } catch (const Exception&) {
        throw;
    } catch (const std::exception& e) {
        throw EKVL_DatabaseError(clean ? clean(e.what()) : std::string(e.what()));
    }
}

namespace {
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
} // namespace

std::string KVL_PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexDigit(text[i + 1]);
            int low = hexDigit(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

namespace {
std::vector<std::pair<std::string, std::string>> queryPairs(const std::string& query) {
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t start = 0;
    while (start < query.size()) {
        auto amp = std::min(query.find('&', start), query.size());
        std::string pair = query.substr(start, amp - start);
        auto eq = pair.find('=');
        if (!pair.empty())
            pairs.emplace_back(KVL_PercentDecoded(pair.substr(0, eq)),
                               eq == std::string::npos ? std::string()
                                                       : KVL_PercentDecoded(pair.substr(eq + 1)));
        start = amp + 1;
    }
    return pairs;
}

void splitAuthority(std::string authority, TKVL_UriParts& parts) {
    auto at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string credentials = authority.substr(0, at);
        authority = authority.substr(at + 1);
        auto colon = credentials.find(':');
        parts.User = KVL_PercentDecoded(credentials.substr(0, colon));
        if (colon != std::string::npos) parts.Password = KVL_PercentDecoded(credentials.substr(colon + 1));
    }
    auto colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        parts.Port = authority.substr(colon + 1);
        authority = authority.substr(0, colon);
    }
    if (authority.size() > 2 && authority.front() == '[' && authority.back() == ']')
        authority = authority.substr(1, authority.size() - 2);
    parts.Host = KVL_PercentDecoded(authority);
}
} // namespace

std::string KVL_QuotedKeywordValue(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\\' || c == '\'') out += '\\';
        out += c;
    }
    return out + "'";
}

TKVL_UriParts KVL_SplitUri(const std::string& connectionString) {
    TKVL_UriParts parts;
    std::string rest = connectionString.substr(connectionString.find(':') + 1);
    auto question = rest.find('?');
    if (question != std::string::npos) parts.Query = queryPairs(rest.substr(question + 1));
    rest = rest.substr(0, question);
    parts.HasAuthority = rest.rfind("//", 0) == 0;
    if (parts.HasAuthority) {
        auto slash = std::min(rest.find('/', 2), rest.size());
        splitAuthority(rest.substr(2, slash - 2), parts);
        rest = rest.substr(slash);
    }
    parts.Path = KVL_PercentDecoded(rest);
    return parts;
}

std::string KVL_SqlLiteral(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

} // namespace kvl
