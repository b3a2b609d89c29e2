#include "app/Icons.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "scan/FileTypes.h"

namespace salvonix::gui {

namespace {

QColor categoryColour(int32_t category) {
  switch (category) {
    case 1: return QColor(0x2e, 0x7d, 0x32);   // images
    case 2: return QColor(0x6a, 0x1b, 0x9a);   // audio
    case 3: return QColor(0xc6, 0x28, 0x28);   // video
    default: return QColor(0x45, 0x5a, 0x64);
  }
}

QPixmap badge(const QString& text, const QColor& colour, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF page(size * 0.12, size * 0.04, size * 0.76, size * 0.92);
  QPainterPath outline;
  const qreal fold = size * 0.22;
  outline.moveTo(page.topLeft());
  outline.lineTo(page.right() - fold, page.top());
  outline.lineTo(page.right(), page.top() + fold);
  outline.lineTo(page.bottomRight());
  outline.lineTo(page.bottomLeft());
  outline.closeSubpath();
  painter.setPen(QPen(QColor(0x90, 0x90, 0x90), size / 32.0));
  painter.setBrush(Qt::white);
  painter.drawPath(outline);
  const QRectF band(size * 0.02, size * 0.50, size * 0.96, size * 0.32);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawRoundedRect(band, size * 0.06, size * 0.06);
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPixelSize(std::max(6, static_cast<int>(size * (text.size() > 4 ? 0.17 : 0.24))));
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(band, Qt::AlignCenter, text.left(6));
  return pixmap;
}

QIcon themed(const char* name, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(QString::fromLatin1(name), QApplication::style()->standardIcon(fallback));
}

}  // namespace

QIcon typeIcon(const QString& name, int32_t category) {
  static QHash<QString, QIcon> cache;
  const QString key = name + QString::number(category);
  if (auto found = cache.constFind(key); found != cache.constEnd()) return *found;
  QIcon icon;
  for (int size : {16, 32, 64}) icon.addPixmap(badge(name.toUpper(), categoryColour(category), size));
  cache.insert(key, icon);
  return icon;
}

QIcon nodeIcon(const HDIR& node) {
  if (node.fileType == kFolderType) return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
  const auto dot = node.fileName.rfind('.');
  const std::string extension = dot == std::string::npos ? node.fileName : node.fileName.substr(dot + 1);
  int32_t category = node.fileCategory;
  // Files found by a scan take the category of their type folder.
  if (category < 0 && node.parent)
    if (auto type = fileTypeByFolderName(node.parent->fileName)) category = static_cast<int32_t>(fileTypeRow(*type).category);
  return typeIcon(QString::fromStdString(extension), category);
}

QIcon driveIcon(bool removable) {
  return removable ? QIcon::fromTheme(QStringLiteral("drive-removable-media"), cardIcon())
                   : themed("drive-harddisk", QStyle::SP_DriveHDIcon);
}

QIcon actionIcon(const QString& action) {
  static const QHash<QString, std::pair<const char*, QStyle::StandardPixmap>> icons{
      {"next", {"go-next", QStyle::SP_ArrowForward}},
      {"back", {"go-previous", QStyle::SP_ArrowBack}},
      {"home", {"go-home", QStyle::SP_DirHomeIcon}},
      {"exit", {"application-exit", QStyle::SP_DialogCloseButton}},
      {"scan", {"system-search", QStyle::SP_MediaPlay}},
      {"stop", {"process-stop", QStyle::SP_MediaStop}},
      {"pause", {"media-playback-pause", QStyle::SP_MediaPause}},
      {"resume", {"media-playback-start", QStyle::SP_MediaPlay}},
      {"save", {"document-save", QStyle::SP_DialogSaveButton}},
      {"save info", {"document-save-as", QStyle::SP_DriveFDIcon}},
      {"openscan", {"document-open", QStyle::SP_DialogOpenButton}},
      {"view", {"document-preview", QStyle::SP_FileDialogContentsView}},
      {"previous", {"go-up", QStyle::SP_ArrowUp}},
      {"nextrow", {"go-down", QStyle::SP_ArrowDown}},
      {"help", {"help-contents", QStyle::SP_DialogHelpButton}},
      {"about", {"help-about", QStyle::SP_MessageBoxInformation}},
      {"image", {"media-flash", QStyle::SP_DriveCDIcon}},
      {"selected", {"view-list-details", QStyle::SP_FileDialogDetailedView}},
  };
  const auto found = icons.constFind(action);
  if (found == icons.constEnd()) return {};
  return themed(found->first, found->second);
}

QIcon cardIcon() {
  QIcon icon;
  for (int size : {16, 32, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath card;
    card.moveTo(s * 0.22, s * 0.06);
    card.lineTo(s * 0.66, s * 0.06);
    card.lineTo(s * 0.82, s * 0.22);
    card.lineTo(s * 0.82, s * 0.94);
    card.lineTo(s * 0.22, s * 0.94);
    card.closeSubpath();
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), s / 24.0));
    painter.setBrush(QColor(0xe8, 0xec, 0xf0));
    painter.drawPath(card);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xd4, 0xa0, 0x17));
    for (int i = 0; i < 4; ++i) painter.drawRect(QRectF(s * (0.28 + 0.11 * i), s * 0.12, s * 0.06, s * 0.16));
    painter.setBrush(QColor(0x15, 0x65, 0xc0));
    painter.drawRoundedRect(QRectF(s * 0.30, s * 0.45, s * 0.44, s * 0.36), s * 0.05, s * 0.05);
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon scanInfoIcon() { return typeIcon(QStringLiteral("QSN"), 0); }

QIcon applicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(badge(QStringLiteral("SAL"), QColor(0x15, 0x65, 0xc0), size));
  return icon;
}

}  // namespace salvonix::gui
