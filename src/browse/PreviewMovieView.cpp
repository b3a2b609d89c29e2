#include "browse/PreviewMovieView.h"

#include <QPainter>

namespace salvonix::gui {

PreviewMovieView::PreviewMovieView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PreviewMovieView::showFrame(const QVideoFrame& frame) {
  if (!frame.isValid()) return;  // a stopped player's last word: keep the picture
  frame_ = frame;
  update();
}

void PreviewMovieView::clear() {
  frame_ = {};
  update();
}

void PreviewMovieView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (frame_.isValid()) frame_.paint(&painter, rect(), {Qt::black, Qt::KeepAspectRatio, {}});
}

}  // namespace salvonix::gui
