#include "TFillErrorLog.h"

#include "base/SysUtils.h"

#include <algorithm>

namespace {
constexpr std::string_view MessageMarker = "ISC ERROR MESSAGE:";
constexpr std::string_view StatementMarker = "STATEMENT:";
} // namespace

std::string CleanServerMessage(std::string_view message) {
    std::string text = kvl::Trim(message);
    const size_t marker = text.find(MessageMarker);
    if (marker == std::string::npos) return text;
    // the marker is followed by a line break that belongs to it
    text.erase(0, std::min(text.size(), marker + MessageMarker.size() + 1));
    const size_t statement = text.find(StatementMarker);
    if (statement != std::string::npos) text.erase(statement);
    return kvl::Trim(text);
}

void AddErrorEntry(kvl::TStringList& log, const std::string& heading, std::string_view message) {
    log.Add(heading);
    log.Add(CleanServerMessage(message));
    log.Add("");
}
