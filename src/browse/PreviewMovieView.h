#pragma once
// Where a preview's movie plays: the frames of its player, painted fitted on
// black. Painted by the widget itself, so the first frame shows at once and a
// grab of the window holds the picture; QVideoWidget's own window missed or
// garbled the first frames when it appeared as the movie started.

#include <QVideoFrame>
#include <QWidget>

namespace salvonix::gui {

class PreviewMovieView : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewMovieView(QWidget* parent = nullptr);
  void showFrame(const QVideoFrame& frame);
  // Forgets the frame shown: black until the next one.
  void clear();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QVideoFrame frame_;
};

}  // namespace salvonix::gui
