#include "SociRows.h"

#include "base/Exceptions.h"
#include "base/SysUtils.h"

#include <soci/soci.h>

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

std::string KVL_SqlLiteral(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

} // namespace kvl
