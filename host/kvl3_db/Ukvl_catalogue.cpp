#include "Ukvl_catalogue.h"

#include "base/StringList.h"

namespace kvl {

namespace {
template <class Key>
IKVL_Ref find(const IInterfaceList& list, const std::string& name, bool caseSensitive, Key key) {
    for (const auto& item : list) {
        if (!item) continue;
        std::string candidate = key(*item);
        if (caseSensitive ? candidate == name : SameText(candidate, name)) return item;
    }
    return nullptr;
}
} // namespace

IKVL_Ref IList_BySearchName(const IInterfaceList& list, const std::string& name, bool caseSensitive) {
    return find(list, name, caseSensitive, [](const IKVL_BaseInterface& o) { return o.SearchName(); });
}

IKVL_Ref IList_ByName(const IInterfaceList& list, const std::string& name, bool caseSensitive) {
    return find(list, name, caseSensitive, [](const IKVL_BaseInterface& o) { return o.Name(); });
}

IKVL_Ref IList_BySearchName(const TKVL_InterfaceListRef& list, const std::string& name, bool caseSensitive) {
    return list ? IList_BySearchName(list->Items(), name, caseSensitive) : nullptr;
}

IKVL_Ref IList_ByName(const TKVL_InterfaceListRef& list, const std::string& name, bool caseSensitive) {
    return list ? IList_ByName(list->Items(), name, caseSensitive) : nullptr;
}

} // namespace kvl
