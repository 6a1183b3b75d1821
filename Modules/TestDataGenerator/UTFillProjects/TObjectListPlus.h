#pragma once
#include "kvl3_db/Ukvl_catalogue.h"

#include <memory>
#include <string>
#include <vector>

class TFillProject;

// The projects in fill order. While OwnsObjects is set the list frees the projects it drops;
// the ordering switches it off to rebuild the list without freeing anything.
class TObjectListPlus {
public:
    TObjectListPlus() = default;
    ~TObjectListPlus();
    TObjectListPlus(const TObjectListPlus&) = delete;
    TObjectListPlus& operator=(const TObjectListPlus&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    TFillProject* Get(int index) const; // EListError outside 0 .. Count-1
    TFillProject* GetFillProject(int index) const { return Get(index); }
    TFillProject* operator[](int index) const { return Get(index); }
    int Add(TFillProject* project);
    void Insert(int index, TFillProject* project);
    void Delete(int index);
    TFillProject* Extract(int index); // removes without freeing
    void Clear();
    void Exchange(int a, int b);
    int IndexOf(const TFillProject* project) const;
    void AddAll(const TObjectListPlus& list);

    // The TableObject of the first project whose "owner.table" or bare table name equals name,
    // letter case aside; nil when none does.
    kvl::IKVL_Ref ByName(const std::string& name) const;

    bool OwnsObjects = true;
    bool SavedOwnsObjects = true;
    void ToggleOwnsObjectsToFalse();
    void ToggleOwnsObjectsToOriginal();

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    void checkIndex(int index, int limit) const;
    std::vector<TFillProject*> items_;
};

// Switches a list's ownership off for as long as the guard lives, whatever happens meanwhile.
class TOwnershipOff {
public:
    explicit TOwnershipOff(TObjectListPlus& list) : list_(list) { list_.ToggleOwnsObjectsToFalse(); }
    ~TOwnershipOff() { list_.ToggleOwnsObjectsToOriginal(); }
    TOwnershipOff(const TOwnershipOff&) = delete;
    TOwnershipOff& operator=(const TOwnershipOff&) = delete;

private:
    TObjectListPlus& list_;
};
