#pragma once
// The table of file types of the group chosen in the combo box, in the order
// of their keys. Its check boxes are the marks of the type-selection tree,
// so the table and the outline always agree.

#include <QAbstractTableModel>
#include <vector>

#include "app/FileTypeChoice.h"
#include "scan/HDIR.h"

namespace salvonix::gui {

class HdirTreeModel;

class FileTypeTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { Type, Label, ColumnCount };

  explicit FileTypeTableModel(HdirTreeModel& typeTree, QObject* parent = nullptr);
  // Shows the rows of a group (the type-selection tree must be set).
  void setGroup(TypeGroup group);
  TypeGroup group() const { return group_; }
  int markedCount() const;
  // The leaf of a row in the type-selection tree.
  HDIR* leaf(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  HdirTreeModel& typeTree_;
  TypeGroup group_ = TypeGroup::AllFiles;
  std::vector<const FileTypeChoice*> rows_;
};

}  // namespace salvonix::gui
