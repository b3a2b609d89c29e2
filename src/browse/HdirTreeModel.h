#pragma once
// Shows a tree of HDIR nodes in place, for both outlines: the file-type
// selection tree and the results tree that a running scan keeps growing.
//
// The model keeps no entry per file: an index points at its node, and the
// only per-node state is the count of rows announced to the views for the
// root and each of its children (the type folders). A scanning thread may
// append to the tree under the context's treeMutex at any time, so every read
// of the tree takes that mutex; rows appear to the views only through
// refresh(), called on the main thread.

#include <QAbstractItemModel>
#include <QIcon>
#include <atomic>
#include <functional>
#include <memory>
#include <unordered_map>

#include "scan/HDIR.h"
#include "scan/ScanContext.h"

namespace salvonix::gui {

class HdirTreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  enum Column { FilesColumn, SizeColumn, CountColumn, MarkColumn, ColumnCount };
  // The results outline publishes its marks in the context's selection
  // counters; the type-selection outline keeps them to itself.
  enum class Outline { Results, TypeSelection };

  explicit HdirTreeModel(ScanContext& context, QObject* parent = nullptr);

  void setOutline(Outline outline) { outline_ = outline; }
  // Called with the tree locked: must be quick and must not call the model.
  void setIconProvider(std::function<QIcon(const HDIR&)> provider) { iconProvider_ = std::move(provider); }

  // Shows another tree (null: nothing). Resets the model.
  void setRoot(std::shared_ptr<HDIR> root);
  const std::shared_ptr<HDIR>& root() const { return root_; }
  // Announces the folders and files the scan added since the last call.
  void refresh();

  HDIR* nodeOf(const QModelIndex& index) const;
  // Invalid when the node is not in this tree or not yet announced.
  QModelIndex indexOf(const HDIR* node) const;
  QModelIndex rootIndex() const;

  void selectAll(bool mark);
  // Marked files: the marked nodes below the root's children.
  int markedFileCount() const { return markedFileCount_; }
  bool allMarked() const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 signals:
  void markingChanged();

 private:
  int announcedRows(const HDIR* node) const;
  // The following expect the tree to be locked.
  int rowInParentLocked(const HDIR& node) const;
  Qt::CheckState checkStateLocked(const HDIR& node) const;
  uint32_t markedBelowLocked(const HDIR& node) const;
  // Recounts the marks below the root and its children; returns the marked files.
  uint32_t countMarksLocked() const;

  ScanContext& context_;
  Outline outline_ = Outline::Results;
  std::function<QIcon(const HDIR&)> iconProvider_;
  std::shared_ptr<HDIR> root_;
  // Rows announced to the views, for the root and its children.
  std::unordered_map<const HDIR*, int> announced_;
  // Marked descendants of the root and its children, counted on demand: the
  // walk is as long as the tree and the views ask on every paint.
  mutable std::unordered_map<const HDIR*, uint32_t> markedBelow_;
  mutable bool marksCounted_ = false;
  int markedFileCount_ = 0;
  // Byte total of the type-selection outline's marks, which are no files.
  std::atomic<uint64_t> ownSelectedSize_{0};
};

}  // namespace salvonix::gui
