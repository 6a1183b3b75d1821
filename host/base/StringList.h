#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvl {

// An ordered list of texts, optionally kept sorted (case-insensitively, duplicates ignored),
// whose whole text is its entries joined by carriage return and line feed.
class TStringList {
public:
    TStringList() = default;
    explicit TStringList(bool sorted) : sorted_(sorted) {}

    int Count() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }

    // Raises EListError for an index outside 0 .. Count-1.
    const std::string& Get(int index) const;
    const std::string& operator[](int index) const { return Get(index); }
    void Put(int index, std::string value);

    // Appends, or in a sorted list inserts at its place; returns the index (-1 when a sorted
    // list already holds the text).
    int Add(std::string value);
    void Insert(int index, std::string value);
    void Delete(int index);
    void Clear() {
        items_.clear();
        ++changes_;
    }
    void Exchange(int a, int b);
    void AddStrings(const TStringList& other);
    void Assign(const TStringList& other);

    int IndexOf(std::string_view value) const;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);

    std::string Text() const;
    void SetText(std::string_view text);

    // Raises EFileError when the file cannot be opened.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    const std::vector<std::string>& Items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    bool operator==(const TStringList& other) const { return items_ == other.items_; }

    // Grows with every change, so a holder can tell cheaply whether the list changed.
    uint64_t ChangeCount() const { return changes_; }

private:
    void checkIndex(int index, int limit) const;
    size_t sortedPosition(std::string_view value, bool& found) const;

    std::vector<std::string> items_;
    bool sorted_ = false;
    uint64_t changes_ = 0;
};

int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

} // namespace kvl
