#pragma once
// The drive table: one row per whole drive of the drive list, with the drive
// (drawn by MyCell), its size and its serial number.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include "drives/DriveList.h"

namespace salvonix::gui {

class DriveTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { Drives, Size, SerialNumber, ColumnCount };
  // The device path of a row, for MyCell's second line.
  static constexpr int DevicePathRole = Qt::UserRole + 1;

  explicit DriveTableModel(DriveList& driveList, QObject* parent = nullptr);
  // The drive list was rebuilt.
  void reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  DriveList& driveList_;
};

// Draws a drive: its icon, the name line, and the device path in grey below.
class MyCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace salvonix::gui
