#pragma once
// The preview window: a page per kind of preview ("previewLoading", "image",
// "text", "videoAndAudio"), a line with the file's size and place, and a close
// button. A plain form: the Preview controller fills it.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace salvonix::gui {

class PreviewMovieView;

class PreviewWindow : public QDialog {
  Q_OBJECT
 public:
  explicit PreviewWindow(QWidget* parent = nullptr);

  void showPage(QWidget* page);
  // The name of the page shown.
  QString shownPage() const;

  QStackedWidget* previewTab;

  QWidget* previewLoading;
  QLabel* loadingText;

  QWidget* image;
  QLabel* previewImage;
  QLabel* previewFileName;

  QWidget* text;
  QLabel* textFileName;
  QLabel* textCaption;
  QPlainTextEdit* previewTextView;

  QWidget* videoAndAudio;
  PreviewMovieView* movieView;
  QLabel* backgroundImage;  // poster frame or album picture, at most 100 x 100
  QLabel* movieName;
  QLabel* movieStatus;
  QPushButton* playButton;

  QLabel* detailsLine;
  QPushButton* closeButton;
};

}  // namespace salvonix::gui
