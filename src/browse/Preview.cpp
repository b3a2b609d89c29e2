#include "browse/Preview.h"

#include <QApplication>
#include <QAudioOutput>
#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVideoFrame>
#include <QVideoSink>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "browse/PreviewMovieView.h"
#include "browse/PreviewWindow.h"
#include "output/SizeText.h"
#include "scan/Device.h"
#include "scan/HDIR.h"
#include "scan/ScanObserver.h"

namespace salvonix::gui {

namespace {

// The movie page's status. The three errors map onto the player like this:
// no multimedia backend at all: the player cannot even start;
// the backend reports an error or invalid media, or loads nothing within the
// timeout: the bytes make no movie;
// loaded without an error yet with neither sound nor picture: nothing to play.
constexpr char kCouldNotInitialize[] = "!Error: could not initialize";
constexpr char kCannotInitialiseMovie[] = "!Error. Cannot initialise the movie";
constexpr char kCannotInitialise[] = "!Error. Cannot initialise.";
constexpr char kClickPlay[] = "Click Play button";
constexpr int kMovieLoadTimeoutMs = 10'000;
constexpr int kPictureSide = 100;
constexpr int kRetireCheckMs = 100;
constexpr int kRetireChecksMax = 50;
constexpr int kPlainFramesTried = 25;

// Of one colour, give or take a little noise.
bool isPlain(const QImage& picture) {
  const QImage small = picture.scaled(16, 16).convertToFormat(QImage::Format_RGB32);
  const QRgb first = small.pixel(0, 0);
  for (int y = 0; y < small.height(); ++y)
    for (int x = 0; x < small.width(); ++x) {
      const QRgb pixel = small.pixel(x, y);
      if (std::abs(qRed(pixel) - qRed(first)) > 8 || std::abs(qGreen(pixel) - qGreen(first)) > 8 ||
          std::abs(qBlue(pixel) - qBlue(first)) > 8)
        return false;
    }
  return true;
}

QString qstr(const std::string& text) { return QString::fromStdString(text); }

QByteArray rawBytes(const std::vector<uint8_t>& bytes) {
  return QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// What a player reads its movie from, holding the bytes for as long as it may read.
class MovieBuffer : public QBuffer {
 public:
  MovieBuffer(std::shared_ptr<const std::vector<uint8_t>> bytes, QObject* parent)
      : QBuffer(parent), bytes_(std::move(bytes)) {
    setData(rawBytes(*bytes_));
    open(QIODevice::ReadOnly);
  }

 private:
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
};

// A backend deleted with its source still set may call back into the
// half-deleted player as its decoder goes: the source goes first.
void release(QMediaPlayer* player) {
  player->setSource(QUrl());
  player->deleteLater();
}

// Decoded straight at the size it is shown at: a JPEG's decoder then skips
// most of the work, which keeps a camera photo quick.
QImage decodePicture(const std::vector<uint8_t>& bytes, bool nikonFile) {
  QByteArray data = rawBytes(bytes);
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  if (size.isValid()) reader.setScaledSize(previewImageSize(size, nikonFile));
  QImage picture = reader.read();
  if (picture.isNull() || size.isValid()) return picture;
  return picture.scaled(previewImageSize(picture.size(), nikonFile), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

Preview::Preview(ScanContext& context, Dialogs& dialogs, QWidget* mainWindow)
    : context_(context),
      dialogs_(dialogs),
      mainWindow_(mainWindow),
      window_(std::make_unique<PreviewWindow>(mainWindow)) {
  connect(window_.get(), &QDialog::finished, this, &Preview::closePreviewWindow);
  connect(window_->playButton, &QPushButton::clicked, this, &Preview::playMovie);
  loadTimeout_.setSingleShot(true);
  loadTimeout_.setInterval(kMovieLoadTimeoutMs);
  connect(&loadTimeout_, &QTimer::timeout, this, [this] { movieFailed(QString::fromLatin1(kCannotInitialiseMovie)); });
  retireTimer_.setInterval(kRetireCheckMs);
  connect(&retireTimer_, &QTimer::timeout, this, &Preview::releaseRetired);
}

Preview::~Preview() {
  abort_ = true;
  reader_.join();
  stopMovie();
  for (const Retired& retired : retired_) release(retired.player);
  window_.reset();
}

void Preview::requestPreview(const PreviewTarget& target) {
  pending_ = target;
  if (reader_.running()) {
    abort_ = true;  // served once the reader has stopped
    return;
  }
  previewShow();
}

bool Preview::driveMissing() const {
  return (context_.bRecoveredFileFromOpenScanInfo && !context_.bOpenInfoDriveConnected) ||
         context_.bDriveRemovedAfterScanning || drivePath().empty();
}

std::string Preview::drivePath() const {
  std::lock_guard lock(context_.previewPathMutex);
  return context_.selectedDriveMountPointForPreview;
}

void Preview::previewShow() {
  if (!pending_) return;
  current_ = std::move(*pending_);
  pending_.reset();
  abort_ = false;
  window_->backgroundImage->clear();
  window_->backgroundImage->hide();  // a sound without a picture leaves no empty square
  if (driveMissing()) {
    dialogs_.alert(window_->isVisible() ? static_cast<QWidget*>(window_.get()) : mainWindow_,
                   {kDriveCannotOpen, " ", {"OK"}});
    return;
  }

  PreviewWindow& w = *window_;
  stopMovie();
  dataForMovie_ = std::make_shared<std::vector<uint8_t>>();
  w.previewImage->clear();
  const QString name = qstr(current_.fileName);
  w.previewFileName->setText(name);
  w.loadingText->setText(tr("Reading %1 from the drive...").arg(name));
  const QString size = qstr(sizeText(current_.fileSize));
  w.detailsLine->setText(current_.fileType == kFolderType ? tr("Folder, %1 in all").arg(size)
                                                          : tr("%1, from sector %2").arg(size).arg(current_.sectorNumber));
  w.showPage(w.previewLoading);
  kind_ = previewKind(current_);
  nikonFile_ = isNikonFile(current_.fileName);
  if (current_.fileType == kFileType) showWindow();

  switch (kind_) {
    case PreviewKind::Image:
      if (current_.fileSize < kImageDecodeLimit) startReader(drivePath());
      else textPreview(tr("Too large to show as a picture."));
      break;
    case PreviewKind::Movie: startReader(drivePath()); break;
    case PreviewKind::Other: textPreview(tr("No picture or sound preview for this kind of file.")); break;
    case PreviewKind::Folder: folderIconPreview(); break;
  }
}

void Preview::startReader(const std::string& path) {
  const PreviewTarget target = current_;
  const uint32_t bytesPerSector = context_.u32BytesInSector;
  const bool decode = kind_ == PreviewKind::Image;
  const bool nikonFile = nikonFile_;
  reader_.start([this, path, target, bytesPerSector, decode, nikonFile] {
    ReadResult result;
    result.data = readDataForPreview(context_.openDevice(path), bytesPerSector, target, abort_);
    if (decode && result.data.outcome == PreviewRead::Loaded && !abort_)
      result.picture = decodePicture(result.data.bytes, nikonFile);
    readResult_ = std::move(result);
    QMetaObject::invokeMethod(this, &Preview::readerFinished, Qt::QueuedConnection);
  });
}

void Preview::readerFinished() {
  reader_.join();
  ReadResult result = std::move(readResult_);
  readResult_ = {};
  if (pending_) return previewShow();  // the newest request wins
  if (abort_) return;                  // the window was closed meanwhile
  if (result.data.outcome != PreviewRead::Loaded) return driveCannotOpen();
  dataForMovie_ = std::make_shared<std::vector<uint8_t>>(std::move(result.data.bytes));
  if (kind_ == PreviewKind::Image) imagePreview(result.picture);
  else audioVideoPreview();
}

void Preview::driveCannotOpen() {
  dialogs_.alert(window_.get(), {kDriveCannotOpen, " ", {"OK"}});
  closePreviewWindow();
}

void Preview::showWindow() {
  displayed_ = true;
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void Preview::imagePreview(const QImage& picture) {
  if (picture.isNull())
    return textPreview(tr("The picture cannot be decoded: it may be damaged or partly overwritten."));
  window_->previewImage->setPixmap(QPixmap::fromImage(picture));
  window_->showPage(window_->image);
  emit previewShown();
}

void Preview::textPreview(const QString& why) {
  PreviewWindow& w = *window_;
  w.previewImage->clear();
  w.showPage(w.text);
  const std::shared_ptr<Device> device = context_.openDevice(drivePath());
  const std::optional<std::string> dump =
      device ? characterDump(*device, context_.u32BytesInSector, current_) : std::nullopt;
  if (!dump) return driveCannotOpen();
  showWindow();
  w.textFileName->setText(qstr(current_.fileName));
  w.textCaption->setText(tr("%1 Its first %2 bytes, the unprintable ones as \".\":").arg(why).arg(dump->size()));
  w.previewTextView->setPlainText(QString::fromLatin1(dump->data(), static_cast<qsizetype>(dump->size())));
  emit previewShown();
}

void Preview::folderIconPreview() {
  showWindow();
  const QPixmap icon = QApplication::style()->standardIcon(QStyle::SP_DirIcon).pixmap(128, 128);
  if (icon.isNull()) return;
  window_->previewFileName->setText(qstr(current_.fileName));
  window_->previewImage->setPixmap(icon);
  window_->showPage(window_->image);
  emit previewShown();
}

void Preview::closePreviewWindow() {
  abort_ = true;
  pending_.reset();
  window_->previewImage->clear();
  stopMovie();
  displayed_ = false;
  if (window_->isVisible()) window_->close();
}

// ---- Sound and movie ----------------------------------------------------------

void Preview::audioVideoPreview() {
  if (abort_) return;
  stopMovie();
  PreviewWindow& w = *window_;
  const QString name = qstr(current_.fileName);
  w.movieName->setText(name);
  setMovieStatus(QStringLiteral(" "));
  w.movieView->show();
  w.showPage(w.videoAndAudio);

  player_ = new QMediaPlayer(this);
  audio_ = new QAudioOutput(player_);  // the backend fails without one, even with no sound device
  player_->setAudioOutput(audio_);
  auto* frames = new QVideoSink(player_);
  player_->setVideoSink(frames);
  connect(frames, &QVideoSink::videoFrameChanged, w.movieView, &PreviewMovieView::showFrame);
  connect(frames, &QVideoSink::videoFrameChanged, this, &Preview::posterFrame);
  connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
    if (status == QMediaPlayer::LoadedMedia) movieLoaded();
    else if (status == QMediaPlayer::InvalidMedia) movieFailed(QString::fromLatin1(kCannotInitialiseMovie));
    else if (status == QMediaPlayer::EndOfMedia && poster_ != Poster::None) {
      poster_ = Poster::None;  // no frame came: the movie simply waits at its start
      player_->stop();
      audio_->setMuted(false);
    }
  });
  connect(player_, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
    if (error != QMediaPlayer::NoError) movieFailed(QString::fromLatin1(kCannotInitialiseMovie));
  });
  connect(player_, &QMediaPlayer::playbackStateChanged, this, &Preview::showPlayState);

  // An MP3's album picture; a movie's first frame replaces it when it comes.
  const std::vector<uint8_t>& bytes = *dataForMovie_;
  if (bytes.size() >= 3 && std::memcmp(bytes.data(), "ID3", 3) == 0) {
    const std::span<const uint8_t> picture = albumPicture(bytes);
    showBackgroundImage(QImage::fromData(picture.data(), static_cast<int>(picture.size())));
  }

  if (!player_->isAvailable()) {
    movieFailed(QString::fromLatin1(kCouldNotInitialize));
    return;
  }
  loadTimeout_.start();
  player_->setSourceDevice(new MovieBuffer(dataForMovie_, player_), QUrl(name));
}

void Preview::movieLoaded() {
  if (movieStatusShown_) return;
  loadTimeout_.stop();
  if (!player_->hasAudio() && !player_->hasVideo()) {
    window_->movieView->hide();
    movieFailed(QString::fromLatin1(kCannotInitialise));
    return;
  }
  const QString title = player_->metaData().stringValue(QMediaMetaData::Title);
  if (!title.isEmpty()) window_->movieName->setText(title);
  window_->movieView->setVisible(player_->hasVideo());
  window_->playButton->setEnabled(true);
  setMovieStatus(QString::fromLatin1(kClickPlay));
  if (player_->hasVideo()) {
    poster_ = Poster::Awaiting;
    plainFrames_ = 0;
    audio_->setMuted(true);
    player_->play();
  }
}

void Preview::movieFailed(const QString& status) {
  loadTimeout_.stop();
  poster_ = Poster::None;
  window_->playButton->setEnabled(false);
  window_->movieView->hide();
  window_->movieName->setText(qstr(current_.fileName));
  setMovieStatus(status);
  if (player_) player_->pause();
}

void Preview::setMovieStatus(const QString& status) {
  QLabel& label = *window_->movieStatus;
  label.setText(status);
  label.setStyleSheet(status.startsWith(QLatin1Char('!')) ? QStringLiteral("color: #b00020;") : QString());
  if (status.trimmed().isEmpty() || movieStatusShown_) return;
  movieStatusShown_ = true;
  emit previewShown();
}

void Preview::posterFrame(const QVideoFrame& frame) {
  if (poster_ != Poster::Awaiting || !frame.isValid()) return;
  const QImage picture = frame.toImage();
  showBackgroundImage(picture);
  // A frame of one colour makes a poor poster: the grey a decoder puts out
  // before its first key frame, or a fade from black. Later frames are tried
  // for about a second.
  if (isPlain(picture) && ++plainFrames_ < kPlainFramesTried) return;
  poster_ = Poster::Pausing;
  // Not from within the frame's delivery: the backend fails a pause made there.
  QPointer<QMediaPlayer> player = player_;
  QMetaObject::invokeMethod(this, [this, player] {
    if (!player || player != player_ || poster_ != Poster::Pausing) return;
    poster_ = Poster::None;
    rewindOnPlay_ = true;
    player->pause();
    audio_->setMuted(false);
    showPlayState();
  }, Qt::QueuedConnection);
}

void Preview::showBackgroundImage(const QImage& picture) {
  if (picture.isNull()) return;
  const QSize size = fittedInto(picture.size(), kPictureSide);
  window_->backgroundImage->setPixmap(
      QPixmap::fromImage(picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
  window_->backgroundImage->show();
}

void Preview::playMovie() {
  if (!player_) return;
  if (player_->playbackState() == QMediaPlayer::PlayingState && poster_ == Poster::None) {
    player_->pause();
    return;
  }
  if (rewindOnPlay_ || poster_ != Poster::None) player_->setPosition(0);
  rewindOnPlay_ = false;
  poster_ = Poster::None;  // perhaps still playing muted for its poster: now from the start, with sound
  audio_->setMuted(false);
  player_->play();
  showPlayState();
}

void Preview::showPlayState() {
  if (!player_ || poster_ != Poster::None) return;
  const bool playing = player_->playbackState() == QMediaPlayer::PlayingState;
  QPushButton& button = *window_->playButton;
  button.setText(playing ? tr("Pause") : tr("Play"));
  button.setIcon(QApplication::style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
  if (button.isEnabled()) setMovieStatus(playing ? tr("Playing") : QString::fromLatin1(kClickPlay));
}

// A backend stops synchronously, and one that plays or loads waits on the
// main thread meanwhile: for a frame to be taken (a 300 ms timeout) or its
// video surface to start (1 s). A player that goes is therefore paused first
// and released once it has settled, one a tick, so that stepping through
// many movies never piles their teardowns into one pause of the window.
void Preview::releaseRetired() {
  for (auto it = retired_.begin(); it != retired_.end(); ++it) {
    const bool settled = it->player->mediaStatus() != QMediaPlayer::LoadingMedia;
    if (!settled && ++it->checks < kRetireChecksMax) continue;
    release(it->player);
    retired_.erase(it);
    break;
  }
  if (retired_.empty()) retireTimer_.stop();
}

void Preview::stopMovie() {
  loadTimeout_.stop();
  poster_ = Poster::None;
  rewindOnPlay_ = false;
  movieStatusShown_ = false;
  if (player_) {
    QMediaPlayer* retired = std::exchange(player_, nullptr);
    audio_ = nullptr;
    retired->disconnect(this);
    for (QVideoSink* frames : retired->findChildren<QVideoSink*>()) {
      frames->disconnect(this);
      frames->disconnect(window_->movieView);
    }
    retired->pause();
    retired_.push_back({retired, 0});
    retireTimer_.start();
  }
  window_->movieView->clear();
  window_->playButton->setEnabled(false);
  window_->playButton->setText(tr("Play"));
  window_->movieStatus->clear();
}

}  // namespace salvonix::gui
