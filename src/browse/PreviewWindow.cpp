#include "browse/PreviewWindow.h"

#include "browse/PreviewMovieView.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace salvonix::gui {

namespace {

QWidget* page(QStackedWidget* stack, const char* name) {
  auto* widget = new QWidget(stack);
  widget->setObjectName(QString::fromLatin1(name));
  stack->addWidget(widget);
  return widget;
}

QLabel* boldLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

PreviewWindow::PreviewWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Preview"));
  setModal(false);
  previewTab = new QStackedWidget(this);

  previewLoading = page(previewTab, "previewLoading");
  auto* busy = new QProgressBar(previewLoading);
  busy->setRange(0, 0);
  busy->setTextVisible(false);
  busy->setFixedWidth(220);
  loadingText = new QLabel(tr("Reading the file from the drive..."), previewLoading);
  auto* loading = new QVBoxLayout(previewLoading);
  loading->addStretch();
  loading->addWidget(loadingText, 0, Qt::AlignHCenter);
  loading->addWidget(busy, 0, Qt::AlignHCenter);
  loading->addStretch();

  image = page(previewTab, "image");
  previewImage = new QLabel(image);
  previewImage->setAlignment(Qt::AlignCenter);
  previewImage->setMinimumSize(400, 250);
  previewFileName = boldLabel(image);
  previewFileName->setAlignment(Qt::AlignCenter);
  auto* picture = new QVBoxLayout(image);
  picture->addWidget(previewImage, 1);
  picture->addWidget(previewFileName);

  text = page(previewTab, "text");
  textFileName = boldLabel(text);
  previewTextView = new QPlainTextEdit(text);
  previewTextView->setReadOnly(true);
  previewTextView->setTextInteractionFlags(Qt::NoTextInteraction);
  previewTextView->setUndoRedoEnabled(false);
  previewTextView->setWordWrapMode(QTextOption::WrapAnywhere);
  previewTextView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* dump = new QVBoxLayout(text);
  dump->addWidget(textFileName);
  textCaption = new QLabel(text);
  textCaption->setWordWrap(true);
  dump->addWidget(textCaption);
  dump->addWidget(previewTextView, 1);

  videoAndAudio = page(previewTab, "videoAndAudio");
  movieView = new PreviewMovieView(videoAndAudio);
  movieView->setMinimumSize(320, 180);
  backgroundImage = new QLabel(videoAndAudio);
  backgroundImage->setFixedSize(100, 100);
  backgroundImage->setAlignment(Qt::AlignCenter);
  movieName = boldLabel(videoAndAudio);
  movieName->setWordWrap(true);
  movieStatus = new QLabel(videoAndAudio);
  playButton = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), tr("Play"), videoAndAudio);
  playButton->setEnabled(false);
  auto* about = new QVBoxLayout;
  about->addWidget(movieName);
  about->addWidget(movieStatus);
  about->addStretch();
  about->addWidget(playButton, 0, Qt::AlignLeft);
  auto* info = new QHBoxLayout;
  info->addWidget(backgroundImage, 0, Qt::AlignTop);
  info->addSpacing(8);
  info->addLayout(about, 1);
  auto* movie = new QVBoxLayout(videoAndAudio);
  // The stretches share the room only while the view is hidden (a sound).
  movie->addStretch(0);
  movie->addWidget(movieView, 1);
  movie->addLayout(info);
  movie->addStretch(0);

  detailsLine = new QLabel(this);
  detailsLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
  closeButton = new QPushButton(tr("Close"), this);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(detailsLine, 1);
  bottom->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(previewTab, 1);
  layout->addLayout(bottom);
  resize(480, 420);
}

void PreviewWindow::showPage(QWidget* page) { previewTab->setCurrentWidget(page); }

QString PreviewWindow::shownPage() const { return previewTab->currentWidget()->objectName(); }

}  // namespace salvonix::gui
