#pragma once
#include <QAbstractItemModel>
#include <array>
#include <exception>
#include <functional>
#include <optional>
#include <vector>

class TCustomFillField;
class TFillProject;
class TFillProjects;

// The project tree: one top-level node per table project, one child per fill field. A table's
// columns are read from the catalogue only when its node is first expanded.
class TFillerTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum TColumn { colName, colFieldType, colNotNull, colPrimaryKey, colCount };
    enum TRole {
        // text shown after the normal text of a table's name
        StaticTextRole = Qt::UserRole + 1,
        // index into the host's image list
        ImageIndexRole,
        // the state of the check-box glyph in "Not NULL" and "P. Key"
        GlyphCheckedRole,
    };

    explicit TFillerTreeModel(TFillProjects& projects, QObject* parent = nullptr);

    // the projects were rebuilt or reordered
    void Reset();
    // the settings of a node changed; its row and its table's row are drawn again
    void Refresh(const QModelIndex& node);
    // While a run goes on on the worker, the tree shows what it showed when the run started: the
    // worker reads columns and prepares fill fields that painting would otherwise read.
    void Freeze();
    // Back to the live projects; tables whose columns the run read get their rows.
    void Thaw();

    TFillProject* ProjectOf(const QModelIndex& node) const;
    TCustomFillField* FillFieldOf(const QModelIndex& node) const;
    bool IsTableNode(const QModelIndex& node) const { return node.isValid() && !node.internalPointer(); }
    QModelIndex TableNode(const TFillProject* project) const;

    // Raised errors of reading a table's columns are handed here instead of leaving the view.
    std::function<void(const std::exception&)> OnInitFailed;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // before a table's columns are read for the first time
    void expanding(const QModelIndex& node);
    // the check box of a table node changed
    void checked(const QModelIndex& node);

private:
    QString GetText(const QModelIndex& node) const;
    QString GetStaticText(const QModelIndex& node) const;
    int GetImageIndex(const QModelIndex& node) const;
    QVariant GetFont(const QModelIndex& node) const;
    QVariant GetGlyph(const QModelIndex& node) const;

    static constexpr int kRoleCount = 7;
    using TNodeShot = std::array<std::array<QVariant, kRoleCount>, colCount>;
    struct TTableShot {
        TNodeShot table;
        std::vector<TNodeShot> fields;
        bool hasChildren = false;
    };
    static int RoleSlot(int role);
    TNodeShot Shoot(const QModelIndex& node) const;
    QVariant LiveData(const QModelIndex& node, int role) const;
    QVariant FrozenData(const QModelIndex& node, int role) const;

    TFillProjects& projects_;
    std::optional<std::vector<TTableShot>> frozen_;
};
