#include "TObjectListPlus.h"

#include "TFillProject.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/StringList.h"

#include <algorithm>

TObjectListPlus::~TObjectListPlus() {
    Clear();
}

void TObjectListPlus::checkIndex(int index, int limit) const {
    if (index < 0 || index >= limit)
        throw kvl::EListError(kvl::Format("List index out of bounds (%d)", {index}));
}

TFillProject* TObjectListPlus::Get(int index) const {
    checkIndex(index, Count());
    return items_[static_cast<size_t>(index)];
}

int TObjectListPlus::Add(TFillProject* project) {
    items_.push_back(project);
    return Count() - 1;
}

void TObjectListPlus::Insert(int index, TFillProject* project) {
    checkIndex(index, Count() + 1);
    items_.insert(items_.begin() + index, project);
}

void TObjectListPlus::Delete(int index) {
    TFillProject* p = Extract(index);
    if (OwnsObjects) delete p;
}

TFillProject* TObjectListPlus::Extract(int index) {
    checkIndex(index, Count());
    TFillProject* p = items_[static_cast<size_t>(index)];
    items_.erase(items_.begin() + index);
    return p;
}

void TObjectListPlus::Clear() {
    auto items = std::move(items_);
    items_.clear();
    if (OwnsObjects)
        for (TFillProject* p : items)
            delete p;
}

void TObjectListPlus::Exchange(int a, int b) {
    checkIndex(a, Count());
    checkIndex(b, Count());
    std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
}

int TObjectListPlus::IndexOf(const TFillProject* project) const {
    auto it = std::find(items_.begin(), items_.end(), project);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TObjectListPlus::AddAll(const TObjectListPlus& list) {
    for (TFillProject* p : list.items_)
        items_.push_back(p);
}

kvl::IKVL_Ref TObjectListPlus::ByName(const std::string& name) const {
    for (TFillProject* p : items_) {
        if (kvl::SameText(p->TableOwner + "." + p->TableName, name) || kvl::SameText(p->TableName, name))
            return p->TableObject;
    }
    return nullptr;
}

void TObjectListPlus::ToggleOwnsObjectsToFalse() {
    SavedOwnsObjects = OwnsObjects;
    OwnsObjects = false;
}

void TObjectListPlus::ToggleOwnsObjectsToOriginal() {
    OwnsObjects = SavedOwnsObjects;
}
