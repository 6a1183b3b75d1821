// The project file: the settings of the fill projects as XML.
#include "TFillProject.h"
#include "TFillProjects.h"
#include "UTFillConstants.h"
#include "UTFillObject/TBlobFillField.h"
#include "UTFillObject/TBoolBitFillField.h"
#include "UTFillObject/TDateFillField.h"
#include "UTFillObject/TFloatFillField.h"
#include "UTFillObject/TIntegerFillField.h"
#include "UTFillObject/TTextFillField.h"
#include "base/Exceptions.h"
#include "base/Format.h"
#include "base/SysUtils.h"

#include <pugixml.hpp>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---- writing

std::string listText(const kvl::TStringList& list) {
    std::string out;
    for (const auto& line : list)
        out += line + "\r\n";
    return out;
}

void set(pugi::xml_node node, const char* name, const std::string& value) {
    node.append_attribute(name).set_value(value.c_str());
}
void setInt(pugi::xml_node node, const char* name, int64_t value) {
    set(node, name, kvl::IntToStr(value));
}
void setBool(pugi::xml_node node, const char* name, bool value) {
    set(node, name, value ? "1" : "0");
}
void setReal(pugi::xml_node node, const char* name, long double value) {
    set(node, name, kvl::FloatToStr(static_cast<double>(value)));
}

// Further ranges of random values as "from..to" joined by ";".
std::string partsText(const std::vector<std::pair<double, double>>& parts) {
    std::string out;
    for (const auto& [from, to] : parts)
        out += (out.empty() ? "" : ";") + kvl::FloatToStr(from) + ".." + kvl::FloatToStr(to);
    return out;
}

void writeClassAttributes(pugi::xml_node c, TCustomFillField* f) {
    if (auto* t = dynamic_cast<TTextFillField*>(f)) {
        set(c, "STATIC_VALUE", t->FillType == fillMasked ? t->Mask : t->StaticValue);
        bool increasing = t->FillType == fillIncreasing;
        setInt(c, "RAN_FROM", increasing ? t->IncStart : t->LengthFrom);
        setInt(c, "RAN_TO", increasing ? t->IncStep : t->LengthTo);
        if (increasing && t->IncFixedDigits) setInt(c, "FD", t->IncDigits);
        if (!increasing) set(c, "FILENAME", t->FileName);
    } else if (auto* r = dynamic_cast<TFloatFillField*>(f)) {
        setReal(c, "STATIC_VALUE", r->StaticValue);
        setReal(c, "RAN_FROM", r->RangeFrom);
        setReal(c, "RAN_TO", r->RangeTo);
        set(c, "GEN_NAME", r->GeneratorName);
    } else if (auto* i = dynamic_cast<TIntegerFillField*>(f)) {
        setInt(c, "STATIC_VALUE", i->StaticValue);
        setInt(c, "RAN_FROM", i->RangeFrom);
        setInt(c, "RAN_TO", i->RangeTo);
        set(c, "GEN_NAME", i->GeneratorName);
    } else if (auto* d = dynamic_cast<TDateFillField*>(f)) {
        setReal(c, "STATIC_VALUE", d->StaticDate);
        setReal(c, "STATIC_VALUE2", d->StaticTime);
        setReal(c, "RAN_FROM", d->DateFrom);
        setReal(c, "RAN_TO", d->DateTo);
        setReal(c, "RAN_FROM2", d->TimeFrom);
        setReal(c, "RAN_TO2", d->TimeTo);
        setInt(c, "INC_SECONDS", d->IncSeconds);
        setInt(c, "INC_MINUTES", d->IncMinutes);
        setInt(c, "INC_HOURS", d->IncHours);
        setInt(c, "INC_DAYS", d->IncDays);
    } else if (auto* b = dynamic_cast<TBlobFillField*>(f)) {
        set(c, "FILENAME", b->FileName);
        set(c, "DIR", b->Directory);
        set(c, "FILEFILTER", b->FileFilter);
        setInt(c, "MAXFILES", b->MaxFiles);
    } else if (auto* o = dynamic_cast<TBoolBitFillField*>(f)) {
        setBool(c, "STATIC_VALUE", o->StaticValue);
    }
}

// ---- reading: every value is converted first and applied only when the whole file converted

using Change = std::function<void()>;

class Reader {
public:
    Reader(pugi::xml_node node, std::string where) : node_(node), where_(std::move(where)) {}

    bool Has(const char* name) const { return !node_.attribute(name).empty(); }
    std::string Text(const char* name, bool required) const {
        pugi::xml_attribute a = node_.attribute(name);
        if (a.empty() && required)
            throw kvl::Exception(
                kvl::Format("Error in file: the attribute \"%s\" is missing in %s.", {name, where_}));
        return a.value();
    }
    std::string Text0(const char* name) const { return Text(name, true); }
    int32_t Int(const char* name) const { return kvl::StrToInt(Text(name, true)); }
    bool IntFlag(const char* name) const { return Int(name) != 0; }
    long double Real(const char* name) const { return kvl::StrToFloat(Text(name, true)); }
    bool Flag(const char* name) const {
        // the XML library's reading of a Boolean: 1, true, yes (any letter case) are True
        std::string v = kvl::LowerCase(kvl::Trim(Text(name, true)));
        return !v.empty() && (v[0] == '1' || v[0] == 't' || v[0] == 'y');
    }

private:
    pugi::xml_node node_;
    std::string where_;
};

std::vector<std::pair<double, double>> partsOf(const std::string& text) {
    std::vector<std::pair<double, double>> parts;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        const size_t dots = part.find("..");
        if (dots == std::string::npos)
            throw kvl::Exception(kvl::Format("Error in file: \"%s\" is no range of values.", {part}));
        parts.emplace_back(kvl::StrToFloat(part.substr(0, dots)), kvl::StrToFloat(part.substr(dots + 2)));
        start = end + 1;
    }
    return parts;
}

template <class T, class V>
void optional(std::vector<Change>& changes, const Reader& r, const char* name, T& target,
              V (Reader::*read)(const char*) const) {
    if (!r.Has(name)) return;
    V value = (r.*read)(name);
    changes.push_back([&target, value] { target = static_cast<T>(value); });
}

void readClassAttributes(std::vector<Change>& changes, const Reader& r, TCustomFillField* f,
                         int32_t fillType) {
    if (auto* t = dynamic_cast<TTextFillField*>(f)) {
        if (r.Has("STATIC_VALUE")) {
            std::string v = r.Text("STATIC_VALUE", true);
            changes.push_back([t, v] {
                t->StaticValue = v;
                t->Mask = v;
            });
        }
        bool increasing = fillType == fillIncreasing;
        optional(changes, r, "RAN_FROM", increasing ? t->IncStart : t->LengthFrom, &Reader::Int);
        optional(changes, r, "RAN_TO", increasing ? t->IncStep : t->LengthTo, &Reader::Int);
        if (increasing && r.Has("FD")) {
            int32_t digits = r.Int("FD");
            changes.push_back([t, digits] {
                t->IncFixedDigits = true;
                t->IncDigits = digits;
            });
        }
        if (!increasing) optional(changes, r, "FILENAME", t->FileName, &Reader::Text0);
    } else if (auto* x = dynamic_cast<TFloatFillField*>(f)) {
        optional(changes, r, "STATIC_VALUE", x->StaticValue, &Reader::Real);
        optional(changes, r, "RAN_FROM", x->RangeFrom, &Reader::Real);
        optional(changes, r, "RAN_TO", x->RangeTo, &Reader::Real);
        optional(changes, r, "GEN_NAME", x->GeneratorName, &Reader::Text0);
    } else if (auto* i = dynamic_cast<TIntegerFillField*>(f)) {
        optional(changes, r, "STATIC_VALUE", i->StaticValue, &Reader::Int);
        optional(changes, r, "RAN_FROM", i->RangeFrom, &Reader::Int);
        optional(changes, r, "RAN_TO", i->RangeTo, &Reader::Int);
        optional(changes, r, "GEN_NAME", i->GeneratorName, &Reader::Text0);
    } else if (auto* d = dynamic_cast<TDateFillField*>(f)) {
        optional(changes, r, "STATIC_VALUE", d->StaticDate, &Reader::Real);
        optional(changes, r, "STATIC_VALUE2", d->StaticTime, &Reader::Real);
        optional(changes, r, "RAN_FROM", d->DateFrom, &Reader::Real);
        optional(changes, r, "RAN_TO", d->DateTo, &Reader::Real);
        optional(changes, r, "RAN_FROM2", d->TimeFrom, &Reader::Real);
        optional(changes, r, "RAN_TO2", d->TimeTo, &Reader::Real);
        optional(changes, r, "INC_SECONDS", d->IncSeconds, &Reader::Int);
        optional(changes, r, "INC_MINUTES", d->IncMinutes, &Reader::Int);
        optional(changes, r, "INC_HOURS", d->IncHours, &Reader::Int);
        optional(changes, r, "INC_DAYS", d->IncDays, &Reader::Int);
    } else if (auto* b = dynamic_cast<TBlobFillField*>(f)) {
        optional(changes, r, "FILENAME", b->FileName, &Reader::Text0);
        optional(changes, r, "DIR", b->Directory, &Reader::Text0);
        optional(changes, r, "FILEFILTER", b->FileFilter, &Reader::Text0);
        optional(changes, r, "MAXFILES", b->MaxFiles, &Reader::Int);
    } else if (auto* o = dynamic_cast<TBoolBitFillField*>(f)) {
        optional(changes, r, "STATIC_VALUE", o->StaticValue, &Reader::Flag);
    }
}

TFillProject* findProject(const TObjectListPlus& projects, const std::string& name,
                          const std::string& owner) {
    const std::string key = owner.empty() ? name : owner + "." + name;
    for (TFillProject* p : projects) {
        std::string offered =
            (!p->TableOwner.empty() && !owner.empty()) ? p->TableOwner + "." + p->TableName : p->TableName;
        if (offered == key) return p;
    }
    return nullptr;
}

void readColumns(std::vector<Change>& changes, pugi::xml_node columns, TFillProject* project) {
    for (pugi::xml_node c : columns.children()) {
        if (c.type() != pugi::node_element) continue;
        std::string name = c.attribute("NAME").value();
        TCustomFillField* field = nullptr;
        for (auto& f : project->GetFillFields())
            if (f->ColumnName == name) {
                field = f.get();
                break;
            }
        if (!field) continue;
        Reader r(c, kvl::Format("column \"%s\" of table \"%s\"", {name, project->TableName}));
        int32_t fillType = r.Int("FILL_TYPE");
        std::string refTable = r.Text("REF_TAB", true);
        std::string refOwner = r.Text("REF_TAB_OWNER", false);
        std::string refColumn = r.Text("REF_COL", true);
        bool includeNulls = r.IntFlag("INCLUDE_NULLS");
        int32_t nullPercentage = r.Int("NULL_PERC");
        std::string list = r.Text("LIST_VALUES", true);
        auto parts = partsOf(r.Text("RAN_PARTS", false));
        changes.push_back([=] {
            field->RangeParts = parts;
            field->FillType = fillType;
            field->RefTable = refTable;
            field->RefTableOwner = refOwner;
            field->RefColumn = refColumn;
            field->IncludeNulls = includeNulls;
            field->NullPercentage = nullPercentage;
            field->ListValues.SetText(list);
        });
        readClassAttributes(changes, r, field, fillType);
    }
}

} // namespace

void TFillProjects::SaveToFile(const std::string& FileName) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("TEST_DATA_GENERATOR");
    if (InsertOnly) root.append_attribute("INSERT_ONLY").set_value("1");
    pugi::xml_node projects = root.append_child("TABLE_PROJECTS");
    int sequence = 1;
    for (TFillProject* p : Projects) {
        if (!p->HasFieldSettings()) continue;
        pugi::xml_node t = projects.append_child("TABLE_PROJECT");
        set(t, "NAME", p->TableName);
        if (!p->TableOwner.empty()) set(t, "OWNER", p->TableOwner);
        setInt(t, "SEQUENCE", sequence++);
        setInt(t, "ROWS", p->Rows);
        setInt(t, "PER_TRANSACTION", p->RowsPerTransaction);
        setBool(t, "DISABLE_INDICES", p->DisableIndices);
        setBool(t, "DISABLE_TRIGGERS", p->DisableTriggers);
        setBool(t, "EMPTY_TABLE", p->EmptyFirst);
        if (!p->doFill) set(t, "DONT_FILL", "1");
        pugi::xml_node columns = t.append_child("COLUMNS");
        for (auto& f : p->GetFillFields()) {
            pugi::xml_node c = columns.append_child("COLUMN");
            set(c, "NAME", f->ColumnName);
            setInt(c, "FILL_TYPE", f->FillType);
            set(c, "REF_TAB", f->RefTable);
            if (!f->RefTableOwner.empty()) set(c, "REF_TAB_OWNER", f->RefTableOwner);
            set(c, "REF_COL", f->RefColumn);
            setBool(c, "INCLUDE_NULLS", f->IncludeNulls);
            setInt(c, "NULL_PERC", f->NullPercentage);
            set(c, "LIST_VALUES", listText(f->ListValues));
            // only where a condition left gaps between ranges: older files have no such attribute
            if (f->HasRangeParts()) set(c, "RAN_PARTS", partsText(f->RangeParts));
            writeClassAttributes(c, f.get());
        }
    }
    if (!doc.save_file(FileName.c_str(), "  ", pugi::format_default, pugi::encoding_utf8))
        throw kvl::EFileError(kvl::Format("Cannot create file \"%s\".", {FileName}));
}

void TFillProjects::LoadFromFile(const std::string& FileName) {
    // a folder or a device reads as a file of absurd size; only a regular file is a project file
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(FileName, ignored))
        throw kvl::EFileError(kvl::Format("Cannot open file \"%s\".", {FileName}));
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_file(FileName.c_str(), pugi::parse_default | pugi::parse_eol);
    if (parsed.status == pugi::status_file_not_found || parsed.status == pugi::status_io_error)
        throw kvl::EFileError(kvl::Format("Cannot open file \"%s\".", {FileName}));
    if (!parsed)
        throw kvl::Exception(
            kvl::Format("The file \"%s\" is no well-formed XML: %s (at character %d).",
                        {FileName, parsed.description(), static_cast<long long>(parsed.offset)}));
    pugi::xml_node root = doc.child("TEST_DATA_GENERATOR");
    if (!root) throw kvl::Exception("Error in file");
    InsertOnly = root.attribute("INSERT_ONLY").as_bool();

    std::vector<Change> changes;
    for (pugi::xml_node t : root.child("TABLE_PROJECTS").children()) {
        if (t.type() != pugi::node_element) continue;
        Reader r(t, kvl::Format("a table of \"%s\"", {FileName}));
        std::string name = r.Text("NAME", true);
        TFillProject* project = findProject(Projects, name, r.Text("OWNER", false));
        if (!project) continue;
        Reader table(t, kvl::Format("table \"%s\"", {name}));
        int32_t sequence = table.Int("SEQUENCE");
        bool doFillValue = !(table.Has("DONT_FILL") && table.Flag("DONT_FILL"));
        bool empty = table.IntFlag("EMPTY_TABLE");
        bool indices = table.IntFlag("DISABLE_INDICES");
        bool triggers = table.IntFlag("DISABLE_TRIGGERS");
        int32_t rows = table.Int("ROWS");
        int32_t perTransaction = table.Int("PER_TRANSACTION");
        changes.push_back([=, this] {
            int from = Projects.IndexOf(project);
            int to = std::min(std::max(sequence - 1, 0), Projects.Count() - 1);
            Projects.ToggleOwnsObjectsToFalse();
            Projects.Insert(to, Projects.Extract(from));
            Projects.ToggleOwnsObjectsToOriginal();
            project->doFill = doFillValue;
            project->EmptyFirst = empty;
            project->DisableIndices = indices;
            project->DisableTriggers = triggers;
            project->Rows = rows;
            project->RowsPerTransaction = perTransaction;
        });
        if (pugi::xml_node columns = t.child("COLUMNS")) readColumns(changes, columns, project);
    }
    for (auto& change : changes)
        change();
}
