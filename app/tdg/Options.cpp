#include "Options.h"

#include "base/SysUtils.h"

#include <cerrno>
#include <cstdlib>

namespace {

// "-o" is the one short form, the output of init.
std::string longName(const std::string& arg) {
    if (arg == "-o") return "output";
    return arg.substr(2);
}

bool isOption(const std::string& arg) {
    return arg == "-o" || (arg.size() > 2 && arg.rfind("--", 0) == 0);
}

} // namespace

TOptions TOptions::Parse(const std::vector<std::string>& args) {
    TOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help_ = true;
            continue;
        }
        if (!isOption(a)) {
            if (!o.command_.empty()) throw EUsageError("unexpected argument \"" + a + "\"");
            o.command_ = a;
            continue;
        }
        std::string name = longName(a);
        if (auto eq = name.find('='); eq != std::string::npos) {
            o.values_[name.substr(0, eq)] = name.substr(eq + 1);
        } else if (name == "no-check" || name == "insert") {
            o.flags_.insert(name);
        } else {
            if (i + 1 >= args.size()) throw EUsageError("option " + a + " needs a value");
            o.values_[name] = args[++i];
        }
    }
    return o;
}

void TOptions::Check(const TSyntax& syntax) const {
    for (const auto& [name, value] : values_)
        if (!syntax.valued.count(name))
            throw EUsageError(syntax.flags.count(name) ? "option --" + name + " takes no value"
                                                       : "unknown option --" + name + " for " + command_);
    for (const auto& name : flags_)
        if (!syntax.flags.count(name)) throw EUsageError("unknown option --" + name + " for " + command_);
    for (const auto& name : syntax.required)
        if (!Has(name)) throw EUsageError(command_ + " needs --" + name);
}

bool TOptions::Has(const std::string& name) const {
    return values_.count(name) > 0 || flags_.count(name) > 0;
}

std::string TOptions::Text(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

int32_t TOptions::Count(const std::string& name, int32_t fallback) const {
    auto it = values_.find(name);
    if (it == values_.end()) return fallback;
    int32_t v = 0;
    if (!kvl::TryStrToInt(it->second, v) || v < 0)
        throw EUsageError("--" + name + " takes a whole number of 0 or more, not \"" + it->second + "\"");
    return v;
}

uint64_t TOptions::Seed() const {
    std::string text = Text("seed");
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || text[0] == '-' || *end != '\0' || errno == ERANGE)
        throw EUsageError("--seed takes a whole number of 0 or more, not \"" + text + "\"");
    return v;
}

std::vector<std::string> TOptions::List(const std::string& name) const {
    std::vector<std::string> items;
    std::string text = Text(name);
    size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string item = kvl::Trim(text.substr(start, comma - start));
        if (!item.empty()) items.push_back(item);
        start = comma + 1;
    }
    return items;
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return kvl::Trim(text);
}
