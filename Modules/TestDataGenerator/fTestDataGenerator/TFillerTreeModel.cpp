#include "TFillerTreeModel.h"

#include "UTFillProjects/TFillProject.h"
#include "UTFillProjects/TFillProjects.h"
#include "kvl3_lib/UImageList.h"

#include <QFont>

namespace {
QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// the roles the view asks for, each kept in a snapshot during a run
constexpr int kShotRoles[] = {Qt::DisplayRole,
                              TFillerTreeModel::StaticTextRole,
                              TFillerTreeModel::ImageIndexRole,
                              Qt::DecorationRole,
                              Qt::FontRole,
                              TFillerTreeModel::GlyphCheckedRole,
                              Qt::CheckStateRole};
} // namespace

TFillerTreeModel::TFillerTreeModel(TFillProjects& projects, QObject* parent)
    : QAbstractItemModel(parent), projects_(projects) {}

void TFillerTreeModel::Reset() {
    beginResetModel();
    endResetModel();
}

void TFillerTreeModel::Refresh(const QModelIndex& node) {
    if (!node.isValid()) return;
    QModelIndex table = IsTableNode(node) ? node.siblingAtColumn(colName) : parent(node);
    emit dataChanged(table, table.siblingAtColumn(colCount - 1));
    if (!IsTableNode(node))
        emit dataChanged(node.siblingAtColumn(colName), node.siblingAtColumn(colCount - 1));
}

int TFillerTreeModel::RoleSlot(int role) {
    for (int slot = 0; slot < kRoleCount; ++slot)
        if (kShotRoles[slot] == role) return slot;
    return -1;
}

TFillerTreeModel::TNodeShot TFillerTreeModel::Shoot(const QModelIndex& node) const {
    TNodeShot shot;
    for (int column = 0; column < colCount; ++column)
        for (int slot = 0; slot < kRoleCount; ++slot)
            shot[static_cast<size_t>(column)][static_cast<size_t>(slot)] =
                LiveData(node.siblingAtColumn(column), kShotRoles[slot]);
    return shot;
}

void TFillerTreeModel::Freeze() {
    std::vector<TTableShot> shots;
    for (int row = 0; row < rowCount(); ++row) {
        QModelIndex table = index(row, colName);
        TTableShot shot;
        shot.table = Shoot(table);
        shot.hasChildren = hasChildren(table);
        for (int field = 0; field < rowCount(table); ++field)
            shot.fields.push_back(Shoot(index(field, colName, table)));
        shots.push_back(std::move(shot));
    }
    frozen_ = std::move(shots);
}

void TFillerTreeModel::Thaw() {
    if (!frozen_) return;
    for (size_t row = 0; row < frozen_->size(); ++row) {
        QModelIndex table = index(static_cast<int>(row), colName);
        int shown = static_cast<int>((*frozen_)[row].fields.size());
        TFillProject* project = ProjectOf(table);
        int live = project->FillFieldsRead() ? static_cast<int>(project->GetFillFields().size()) : 0;
        if (live <= shown) continue;
        beginInsertRows(table, shown, live - 1);
        (*frozen_)[row].fields.resize(static_cast<size_t>(live));
        endInsertRows();
    }
    frozen_.reset();
    if (rowCount() > 0) emit dataChanged(index(0, colName), index(rowCount() - 1, colCount - 1));
    for (int row = 0; row < rowCount(); ++row) {
        QModelIndex table = index(row, colName);
        int fields = rowCount(table);
        if (fields > 0) emit dataChanged(index(0, colName, table), index(fields - 1, colCount - 1, table));
    }
}

QVariant TFillerTreeModel::FrozenData(const QModelIndex& node, int role) const {
    int slot = RoleSlot(role);
    if (slot < 0) return {};
    auto column = static_cast<size_t>(node.column());
    if (IsTableNode(node))
        return (*frozen_)[static_cast<size_t>(node.row())].table[column][static_cast<size_t>(slot)];
    const TTableShot& table = (*frozen_)[static_cast<size_t>(parent(node).row())];
    return table.fields[static_cast<size_t>(node.row())][column][static_cast<size_t>(slot)];
}

TFillProject* TFillerTreeModel::ProjectOf(const QModelIndex& node) const {
    if (!node.isValid()) return nullptr;
    if (auto* owner = static_cast<TFillProject*>(node.internalPointer())) return owner;
    return projects_.getFillProject(node.row());
}

TCustomFillField* TFillerTreeModel::FillFieldOf(const QModelIndex& node) const {
    auto* owner = node.isValid() ? static_cast<TFillProject*>(node.internalPointer()) : nullptr;
    if (!owner) return nullptr;
    return owner->GetFillFields().at(static_cast<size_t>(node.row())).get();
}

QModelIndex TFillerTreeModel::TableNode(const TFillProject* project) const {
    int row = projects_.IndexOfProject(project);
    return row < 0 ? QModelIndex() : index(row, colName);
}

QModelIndex TFillerTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= colCount || row >= rowCount(parent)) return {};
    if (!parent.isValid()) return createIndex(row, column, nullptr);
    return createIndex(row, column, ProjectOf(parent));
}

QModelIndex TFillerTreeModel::parent(const QModelIndex& child) const {
    auto* owner = child.isValid() ? static_cast<TFillProject*>(child.internalPointer()) : nullptr;
    if (!owner) return {};
    return createIndex(projects_.IndexOfProject(owner), colName, nullptr);
}

int TFillerTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return projects_.GetProjectCount();
    if (!IsTableNode(parent) || parent.column() != colName) return 0;
    if (frozen_) return static_cast<int>((*frozen_)[static_cast<size_t>(parent.row())].fields.size());
    TFillProject* project = ProjectOf(parent);
    return project->FillFieldsRead() ? static_cast<int>(project->GetFillFields().size()) : 0;
}

int TFillerTreeModel::columnCount(const QModelIndex&) const {
    return colCount;
}

bool TFillerTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return projects_.GetProjectCount() > 0;
    if (frozen_)
        return IsTableNode(parent) && parent.column() == colName &&
               (*frozen_)[static_cast<size_t>(parent.row())].hasChildren;
    return IsTableNode(parent) && parent.column() == colName &&
           (!ProjectOf(parent)->FillFieldsRead() || rowCount(parent) > 0);
}

bool TFillerTreeModel::canFetchMore(const QModelIndex& parent) const {
    return !frozen_ && IsTableNode(parent) && parent.column() == colName &&
           !ProjectOf(parent)->FillFieldsRead();
}

void TFillerTreeModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    emit expanding(parent);
    TFillProject* project = ProjectOf(parent);
    size_t count = 0;
    try {
        count = project->GetFillFields().size();
    } catch (const std::exception& e) {
        if (!OnInitFailed) throw;
        OnInitFailed(e);
        return;
    }
    if (count == 0) return;
    beginInsertRows(parent, 0, static_cast<int>(count) - 1);
    endInsertRows();
}

QString TFillerTreeModel::GetText(const QModelIndex& node) const {
    if (IsTableNode(node)) {
        if (node.column() != colName) return {};
        const auto& object = ProjectOf(node)->TableObject;
        return object ? qs(object->DisplayName()) : QString();
    }
    TCustomFillField* field = FillFieldOf(node);
    if (node.column() == colName) return qs(field->ColumnName);
    if (node.column() == colFieldType && field->Column) return qs(field->Column->DataTypeText());
    return {};
}

QString TFillerTreeModel::GetStaticText(const QModelIndex& node) const {
    if (!IsTableNode(node) || node.column() != colName) return {};
    TFillProject* project = ProjectOf(node);
    return project->doFill ? QStringLiteral("Rows: ") + QString::number(project->Rows)
                           : QStringLiteral("- don't fill -");
}

int TFillerTreeModel::GetImageIndex(const QModelIndex& node) const {
    if (node.column() != colName) return -1;
    if (IsTableNode(node)) return kvl::imgTable;
    return FillFieldOf(node)->GetReadyForFilling() ? kvl::imgColumnReady : kvl::imgColumn;
}

QVariant TFillerTreeModel::GetFont(const QModelIndex& node) const {
    if (!IsTableNode(node) || node.column() != colName) return {};
    TFillProject* project = ProjectOf(node);
    QFont font;
    if (project->doFill)
        font.setBold(true);
    else if (project->HasFieldSettings())
        font.setItalic(true);
    return font;
}

QVariant TFillerTreeModel::GetGlyph(const QModelIndex& node) const {
    if (IsTableNode(node)) return {};
    TCustomFillField* field = FillFieldOf(node);
    if (node.column() == colNotNull) return !field->Nullable;
    if (node.column() == colPrimaryKey) return field->Column && field->Column->InPrimaryKey();
    return {};
}

QVariant TFillerTreeModel::data(const QModelIndex& node, int role) const {
    if (!node.isValid()) return {};
    return frozen_ ? FrozenData(node, role) : LiveData(node, role);
}

QVariant TFillerTreeModel::LiveData(const QModelIndex& node, int role) const {
    switch (role) {
    case Qt::DisplayRole:
        return GetText(node);
    case StaticTextRole:
        return GetStaticText(node);
    case ImageIndexRole:
        return GetImageIndex(node);
    case Qt::DecorationRole: {
        int image = GetImageIndex(node);
        return image < 0 ? QVariant() : QVariant(kvl::KVL_StdImgList().Icon(image));
    }
    case Qt::FontRole:
        return GetFont(node);
    case GlyphCheckedRole:
        return GetGlyph(node);
    case Qt::CheckStateRole:
        if (!IsTableNode(node) || node.column() != colName) return {};
        return ProjectOf(node)->doFill ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool TFillerTreeModel::setData(const QModelIndex& node, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !IsTableNode(node) || node.column() != colName) return false;
    ProjectOf(node)->SetdoFill(value.value<Qt::CheckState>() == Qt::Checked);
    Refresh(node);
    emit checked(node);
    return true;
}

Qt::ItemFlags TFillerTreeModel::flags(const QModelIndex& node) const {
    if (!node.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (IsTableNode(node) && node.column() == colName) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TFillerTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const captions[colCount] = {"Name", "Field Type", "Not NULL", "P. Key"};
    return section >= 0 && section < colCount ? QString::fromLatin1(captions[section]) : QVariant();
}
