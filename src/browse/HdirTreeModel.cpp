#include "browse/HdirTreeModel.h"

#include <mutex>
#include <utility>
#include <vector>

#include "output/SizeText.h"

namespace salvonix::gui {

namespace {

bool isInSubtree(const HDIR* node, const HDIR* top) {
  for (; node; node = node->parent)
    if (node == top) return true;
  return false;
}

}  // namespace

HdirTreeModel::HdirTreeModel(ScanContext& context, QObject* parent) : QAbstractItemModel(parent), context_(context) {}

void HdirTreeModel::setRoot(std::shared_ptr<HDIR> root) {
  beginResetModel();
  root_ = std::move(root);
  announced_.clear();
  markedBelow_.clear();
  marksCounted_ = false;
  markedFileCount_ = 0;
  if (root_) {
    std::lock_guard lock(context_.treeMutex);
    announced_[root_.get()] = static_cast<int>(root_->children.size());
    for (const auto& child : root_->children) announced_[child.get()] = static_cast<int>(child->children.size());
    markedFileCount_ = static_cast<int>(countMarksLocked());
  }
  endResetModel();
}

void HdirTreeModel::refresh() {
  if (!root_) return;
  // What the tree holds now; it only grows, so these rows stay valid after unlocking.
  std::vector<std::pair<HDIR*, int>> folders;
  {
    std::lock_guard lock(context_.treeMutex);
    folders.reserve(root_->children.size());
    for (const auto& child : root_->children) folders.emplace_back(child.get(), static_cast<int>(child->children.size()));
  }
  bool grew = false;
  int& folderRows = announced_[root_.get()];
  const int liveFolders = static_cast<int>(folders.size());
  if (liveFolders > folderRows) {
    beginInsertRows(rootIndex(), folderRows, liveFolders - 1);
    // A new folder comes with no rows; its files are announced just below.
    for (int row = folderRows; row < liveFolders; ++row) announced_[folders[row].first] = 0;
    folderRows = liveFolders;
    endInsertRows();
    grew = true;
  }
  for (int row = 0; row < liveFolders; ++row) {
    const auto [folder, liveFiles] = folders[row];
    int& fileRows = announced_[folder];
    if (liveFiles <= fileRows) continue;
    beginInsertRows(createIndex(row, 0, folder), fileRows, liveFiles - 1);
    fileRows = liveFiles;
    endInsertRows();
    grew = true;
  }
  if (!grew) return;
  marksCounted_ = false;
  // Sizes, counts and mixed marks of the root and the folders follow the new files.
  const QModelIndex root = rootIndex();
  emit dataChanged(index(0, SizeColumn), index(0, MarkColumn));
  if (liveFolders > 0) emit dataChanged(index(0, SizeColumn, root), index(liveFolders - 1, MarkColumn, root));
}

HDIR* HdirTreeModel::nodeOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return nullptr;
  return static_cast<HDIR*>(index.internalPointer());
}

QModelIndex HdirTreeModel::rootIndex() const { return root_ ? createIndex(0, 0, root_.get()) : QModelIndex(); }

QModelIndex HdirTreeModel::indexOf(const HDIR* node) const {
  if (!node || !root_) return {};
  if (node == root_.get()) return rootIndex();
  std::lock_guard lock(context_.treeMutex);
  const HDIR* owner = node->parent;
  if (!isInSubtree(owner, root_.get())) return {};
  const auto announced = announced_.find(owner);
  if (announced == announced_.end()) return {};
  for (int row = 0; row < announced->second; ++row)
    if (owner->children[row].get() == node) return createIndex(row, 0, node);
  return {};
}

QModelIndex HdirTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (!hasIndex(row, column, parent)) return {};
  if (!parent.isValid()) return createIndex(row, column, root_.get());
  const HDIR* owner = nodeOf(parent);
  std::lock_guard lock(context_.treeMutex);
  return createIndex(row, column, owner->children[row].get());
}

QModelIndex HdirTreeModel::parent(const QModelIndex& child) const {
  const HDIR* node = nodeOf(child);
  if (!node) return {};
  std::lock_guard lock(context_.treeMutex);
  HDIR* owner = node->parent;
  if (!owner) return {};
  return createIndex(rowInParentLocked(*owner), 0, owner);
}

int HdirTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return root_ ? 1 : 0;
  if (parent.column() != 0) return 0;
  return announcedRows(nodeOf(parent));
}

int HdirTreeModel::columnCount(const QModelIndex&) const { return ColumnCount; }

int HdirTreeModel::announcedRows(const HDIR* node) const {
  const auto found = announced_.find(node);
  return found == announced_.end() ? 0 : found->second;
}

QVariant HdirTreeModel::data(const QModelIndex& index, int role) const {
  const HDIR* node = nodeOf(index);
  if (!node) return {};
  const int column = index.column();
  if (role == Qt::TextAlignmentRole) {
    if (column == SizeColumn || column == CountColumn) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  }
  if (role == Qt::DecorationRole && column == FilesColumn && iconProvider_) {
    std::lock_guard lock(context_.treeMutex);
    return iconProvider_(*node);
  }
  if (role == Qt::CheckStateRole && column == MarkColumn) {
    std::lock_guard lock(context_.treeMutex);
    return checkStateLocked(*node);
  }
  if (role != Qt::DisplayRole) return {};
  std::lock_guard lock(context_.treeMutex);
  switch (column) {
    case FilesColumn:
      return QString::fromStdString(node->fileName);
    case SizeColumn:
      return QString::fromStdString(sizeText(node->fileSize));
    case CountColumn:
      if (node->fileCount != 0) return QString::number(node->fileCount);
      if (node->fileName == "ROOT") return QStringLiteral("0");
      return {};
    default:
      return {};
  }
}

QVariant HdirTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case FilesColumn: return QStringLiteral("Files");
    case SizeColumn: return QStringLiteral("Size");
    case CountColumn: return QStringLiteral("Files Count");
    case MarkColumn: return QStringLiteral("Mark");
    default: return {};
  }
}

Qt::ItemFlags HdirTreeModel::flags(const QModelIndex& index) const {
  const HDIR* node = nodeOf(index);
  if (!node) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == MarkColumn) flags |= Qt::ItemIsUserCheckable;
  // Only the root and its children ever get rows; telling the view spares it
  // a question per file.
  if (!announced_.contains(node)) flags |= Qt::ItemNeverHasChildren;
  return flags;
}

bool HdirTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  HDIR* node = nodeOf(index);
  if (!node || role != Qt::CheckStateRole || index.column() != MarkColumn) return false;
  // A click on a mixed box marks everything below it.
  const uint8_t flag = value.toInt() == Qt::Unchecked ? 0 : 1;
  // The boxes of every shown row below the node change too. Views hear it as
  // one layout change: a changed range per folder would make QTreeView look
  // each of its rows up among the rows it has laid out, a whole search per
  // row of a collapsed folder while a large one is expanded.
  const bool rowsBelow = announcedRows(node) > 0;
  if (rowsBelow) emit layoutAboutToBeChanged();
  std::vector<QModelIndex> changed{index.siblingAtColumn(MarkColumn)};
  {
    std::lock_guard lock(context_.treeMutex);
    const bool results = outline_ == Outline::Results;
    CheckController(node, flag, results ? context_.u64SelectedFileSize : ownSelectedSize_).run();
    markedFileCount_ = static_cast<int>(countMarksLocked());
    if (results) {
      context_.iNumberOfFileSelected = markedFileCount_;
      if (markedFileCount_ == 0) context_.u64SelectedFileSize = 0;
    }
    for (HDIR* up = node->parent; up; up = up->parent)
      changed.push_back(createIndex(rowInParentLocked(*up), MarkColumn, up));
  }
  if (rowsBelow) emit layoutChanged();
  for (const QModelIndex& cell : changed) emit dataChanged(cell, cell, {Qt::CheckStateRole});
  emit markingChanged();
  return true;
}

void HdirTreeModel::selectAll(bool mark) {
  if (root_) setData(index(0, MarkColumn), mark ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

bool HdirTreeModel::allMarked() const {
  if (!root_) return false;
  std::lock_guard lock(context_.treeMutex);
  return root_->fileCount > 0 && root_->fileCount <= static_cast<uint32_t>(markedFileCount_);
}

int HdirTreeModel::rowInParentLocked(const HDIR& node) const {
  if (!node.parent) return 0;
  const auto& siblings = node.parent->children;
  for (std::size_t row = 0; row < siblings.size(); ++row)
    if (siblings[row].get() == &node) return static_cast<int>(row);
  return 0;
}

Qt::CheckState HdirTreeModel::checkStateLocked(const HDIR& node) const {
  if (node.childrenCount < 1) return node.selected ? Qt::Checked : Qt::Unchecked;
  const uint32_t marked = markedBelowLocked(node);
  if (marked >= static_cast<uint32_t>(node.childrenCount)) return Qt::Checked;
  return marked == 0 ? Qt::Unchecked : Qt::PartiallyChecked;
}

uint32_t HdirTreeModel::markedBelowLocked(const HDIR& node) const {
  if (!marksCounted_) countMarksLocked();
  const auto found = markedBelow_.find(&node);
  return found != markedBelow_.end() ? found->second : node.childrenSelected();
}

uint32_t HdirTreeModel::countMarksLocked() const {
  markedBelow_.clear();
  uint32_t files = 0;
  uint32_t belowRoot = 0;
  for (const auto& child : root_->children) {
    const uint32_t below = child->childrenSelected();
    markedBelow_[child.get()] = below;
    files += below;
    // The results root counts its folders among its children; the type
    // tree's root counts only the types, not their groups.
    belowRoot += below + (outline_ == Outline::Results && child->selected == 1 ? 1 : 0);
  }
  markedBelow_[root_.get()] = belowRoot;
  marksCounted_ = true;
  return files;
}

}  // namespace salvonix::gui
