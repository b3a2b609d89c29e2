#include "app/DriveTableModel.h"

#include <QApplication>
#include <QPainter>

#include "app/Icons.h"
#include "output/SizeText.h"

namespace salvonix::gui {

DriveTableModel::DriveTableModel(DriveList& driveList, QObject* parent)
    : QAbstractTableModel(parent), driveList_(driveList) {}

void DriveTableModel::reload() {
  beginResetModel();
  endResetModel();
}

int DriveTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(driveList_.numberOfRowsInTableView());
}

int DriveTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant DriveTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= driveList_.numberOfRowsInTableView()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const DriveRecord& record = driveList_.driveDictArray()[row];
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case Drives: return QString::fromStdString(driveList_.objectValue(DriveColumn::Drives, row));
        case Size: return QString::fromStdString(driveList_.objectValue(DriveColumn::Size, row));
        case SerialNumber: return QString::fromStdString(driveList_.objectValue(DriveColumn::SerialNumber, row));
      }
      break;
    case DevicePathRole: return QString::fromStdString(record.text(drivekey::kDevicePath));
    case Qt::DecorationRole:
      if (index.column() == Drives)
        return driveIcon(record.number(drivekey::kRemovable).value_or(0) != 0 || record.has(drivekey::kWhetherUSB));
      break;
    case Qt::TextAlignmentRole:
      if (index.column() != Drives) return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignLeft);
      break;
    case Qt::ToolTipRole: return QString::fromStdString(record.text(drivekey::kDevicePath));
  }
  return {};
}

QVariant DriveTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case Drives: return tr("Drive");
    case Size: return tr("Size");
    case SerialNumber: return tr("Serial Number");
  }
  return {};
}

void MyCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem background = option;
  initStyleOption(&background, index);
  background.text.clear();
  background.icon = QIcon();
  QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

  const bool selected = option.state & QStyle::State_Selected;
  const QRect area = option.rect.adjusted(6, 4, -6, -4);
  const QIcon icon = qvariant_cast<QIcon>(index.data(Qt::DecorationRole));
  icon.paint(painter, QRect(area.left(), area.top() + (area.height() - 32) / 2, 32, 32));
  const QRect text = area.adjusted(42, 0, 0, 0);

  painter->save();
  QFont nameFont = option.font;
  nameFont.setPointSizeF(nameFont.pointSizeF() * 14.0 / 11.0);
  painter->setFont(nameFont);
  painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text));
  const int half = text.height() / 2;
  painter->drawText(QRect(text.left(), text.top(), text.width(), half), Qt::AlignLeft | Qt::AlignBottom,
                    painter->fontMetrics().elidedText(index.data().toString(), Qt::ElideRight, text.width()));
  QFont pathFont = option.font;
  pathFont.setPointSizeF(pathFont.pointSizeF() * 12.0 / 13.0);
  painter->setFont(pathFont);
  painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : QColor(Qt::gray));
  painter->drawText(QRect(text.left(), text.top() + half, text.width(), half), Qt::AlignLeft | Qt::AlignTop,
                    index.data(DriveTableModel::DevicePathRole).toString());
  painter->restore();
}

QSize MyCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QSize base = QStyledItemDelegate::sizeHint(option, index);
  return {std::max(base.width() + 60, 260), std::max(48, option.fontMetrics.height() * 3)};
}

}  // namespace salvonix::gui
