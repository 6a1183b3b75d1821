#include "StringList.h"

#include "Exceptions.h"
#include "Format.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace kvl {

int CompareText(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

void TStringList::checkIndex(int index, int limit) const {
    if (index < 0 || index >= limit) throw EListError(Format("List index out of bounds (%d)", {index}));
}

const std::string& TStringList::Get(int index) const {
    checkIndex(index, Count());
    return items_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, std::string value) {
    checkIndex(index, Count());
    items_[static_cast<size_t>(index)] = std::move(value);
}

size_t TStringList::sortedPosition(std::string_view value, bool& found) const {
    auto it =
        std::lower_bound(items_.begin(), items_.end(), value,
                         [](const std::string& a, std::string_view b) { return CompareText(a, b) < 0; });
    found = it != items_.end() && CompareText(*it, value) == 0;
    return static_cast<size_t>(it - items_.begin());
}

int TStringList::Add(std::string value) {
    if (!sorted_) {
        items_.push_back(std::move(value));
        return Count() - 1;
    }
    bool found = false;
    size_t pos = sortedPosition(value, found);
    if (found) return -1;
    items_.insert(items_.begin() + static_cast<long>(pos), std::move(value));
    return static_cast<int>(pos);
}

void TStringList::Insert(int index, std::string value) {
    checkIndex(index, Count() + 1);
    items_.insert(items_.begin() + index, std::move(value));
}

void TStringList::Delete(int index) {
    checkIndex(index, Count());
    items_.erase(items_.begin() + index);
}

void TStringList::Exchange(int a, int b) {
    checkIndex(a, Count());
    checkIndex(b, Count());
    std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
}

void TStringList::AddStrings(const TStringList& other) {
    for (const auto& s : other.items_)
        Add(s);
}

void TStringList::Assign(const TStringList& other) {
    if (this == &other) return;
    Clear();
    AddStrings(other);
}

int TStringList::IndexOf(std::string_view value) const {
    if (sorted_) {
        bool found = false;
        size_t pos = sortedPosition(value, found);
        return found ? static_cast<int>(pos) : -1;
    }
    for (size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i], value)) return static_cast<int>(i);
    return -1;
}

void TStringList::SetSorted(bool sorted) {
    if (sorted && !sorted_) {
        std::stable_sort(items_.begin(), items_.end(),
                         [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
        items_.erase(std::unique(items_.begin(), items_.end(),
                                 [](const std::string& a, const std::string& b) { return SameText(a, b); }),
                     items_.end());
    }
    sorted_ = sorted;
}

std::string TStringList::Text() const {
    std::string out;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (i > 0) out += "\r\n";
        out += items_[i];
    }
    return out;
}

void TStringList::SetText(std::string_view text) {
    Clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            Add(std::string(text.substr(start)));
            break;
        }
        Add(std::string(text.substr(start, end - start)));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
}

void TStringList::LoadFromFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFileError(Format("Cannot open file \"%s\".", {fileName}));
    std::ostringstream buf;
    buf << in.rdbuf();
    SetText(buf.str());
}

void TStringList::SaveToFile(const std::string& fileName) const {
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out) throw EFileError(Format("Cannot create file \"%s\".", {fileName}));
    for (const auto& s : items_)
        out << s << "\r\n";
    if (!out) throw EFileError(Format("Cannot write file \"%s\".", {fileName}));
}

} // namespace kvl
