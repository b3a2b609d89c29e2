#include "app/FileTypeTableModel.h"

#include "app/Icons.h"
#include "app/Pages.h"
#include "browse/HdirTreeModel.h"
#include "browse/TypeSelectionTree.h"

namespace salvonix::gui {

namespace {
HDIR* findLeaf(HDIR* node, FileType type) {
  if (!node) return nullptr;
  if (node->fileType == kFileType && leafFileType(node->fileID) == type) return node;
  for (const auto& child : node->children)
    if (HDIR* found = findLeaf(child.get(), type)) return found;
  return nullptr;
}
}  // namespace

FileTypeTableModel::FileTypeTableModel(HdirTreeModel& typeTree, QObject* parent)
    : QAbstractTableModel(parent), typeTree_(typeTree) {
  // Marks set through the outline show in the table at once.
  connect(&typeTree_, &QAbstractItemModel::dataChanged, this, [this] {
    if (!rows_.empty()) emit dataChanged(index(0, Type), index(rowCount() - 1, Type), {Qt::CheckStateRole});
  });
  connect(&typeTree_, &QAbstractItemModel::modelReset, this, [this] { setGroup(group_); });
}

void FileTypeTableModel::setGroup(TypeGroup group) {
  beginResetModel();
  group_ = group;
  rows_.clear();
  for (const FileTypeChoice& choice : fileTypeChoices()) {
    HDIR* node = findLeaf(typeTree_.nodeOf(typeTree_.rootIndex()), choice.type);
    if (node && inGroup(group, node->fileCategory)) rows_.push_back(&choice);
  }
  endResetModel();
}

HDIR* FileTypeTableModel::leaf(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
  return findLeaf(typeTree_.nodeOf(typeTree_.rootIndex()), rows_[static_cast<std::size_t>(row)]->type);
}

int FileTypeTableModel::markedCount() const {
  int count = 0;
  for (int row = 0; row < rowCount(); ++row)
    if (HDIR* node = leaf(row); node && node->selected == 1) ++count;
  return count;
}

int FileTypeTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileTypeTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant FileTypeTableModel::data(const QModelIndex& index, int role) const {
  HDIR* node = leaf(index.row());
  if (!node) return {};
  const FileTypeChoice& choice = *rows_[static_cast<std::size_t>(index.row())];
  if (index.column() == Type) {
    switch (role) {
      case Qt::DisplayRole: return qstr(choice.name);
      case Qt::DecorationRole:
        return typeIcon(qstr(choice.name), node->fileCategory);
      case Qt::CheckStateRole: return node->selected == 1 ? Qt::Checked : Qt::Unchecked;
      case Qt::ToolTipRole: return qstr(choice.key);
    }
  } else if (index.column() == Label && role == Qt::DisplayRole) {
    return qstr(choice.label);
  }
  return {};
}

bool FileTypeTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  HDIR* node = leaf(index.row());
  if (!node || index.column() != Type || role != Qt::CheckStateRole) return false;
  return typeTree_.setData(typeTree_.indexOf(node).siblingAtColumn(HdirTreeModel::MarkColumn), value, Qt::CheckStateRole);
}

Qt::ItemFlags FileTypeTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.column() == Type) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant FileTypeTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == Type ? tr("File type") : tr("Maker or media");
}

}  // namespace salvonix::gui
