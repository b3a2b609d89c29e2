#pragma once
// The preview of a found file before it is saved. Its first bytes are read
// from the drive on a worker thread, one read at a time: a request that comes
// while a read runs asks it to stop and is served once it has stopped, so the
// newest request wins and those in between are dropped. Pictures are decoded
// on the same worker; sounds and movies play from the bytes in memory.

#include <QImage>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/Worker.h"
#include "browse/PreviewData.h"
#include "browse/PreviewKinds.h"
#include "scan/ScanContext.h"

class QAudioOutput;
class QMediaPlayer;
class QVideoFrame;
class QWidget;

namespace salvonix::gui {

class PreviewWindow;

class Preview : public QObject {
  Q_OBJECT
 public:
  // The window is a child of mainWindow: destroy this before it.
  Preview(ScanContext& context, Dialogs& dialogs, QWidget* mainWindow);
  ~Preview() override;

  // The view button, a double click on a row, or a new row while the window is open.
  void requestPreview(const PreviewTarget& target);
  // Stops a read in progress and the player, and closes the window.
  void closePreviewWindow();
  bool previewDisplayed() const { return displayed_; }
  PreviewWindow& window() { return *window_; }
  // The bytes of the file shown: what its picture was decoded from, what the player plays.
  const std::vector<uint8_t>& dataForMovie() const { return *dataForMovie_; }
  // The player of the sound or movie shown; null when there is none.
  QMediaPlayer* player() const { return player_; }

 signals:
  // A request's page is on screen: its picture, character dump or folder
  // icon, or the movie page once the status says whether it plays.
  void previewShown();

 private:
  struct ReadResult {
    PreviewBytes data;
    QImage picture;  // decoded at its shown size; null when the bytes are no picture
  };

  void previewShow();
  bool driveMissing() const;
  std::string drivePath() const;
  void startReader(const std::string& path);
  void readerFinished();
  void imagePreview(const QImage& picture);
  void audioVideoPreview();
  // The character dump, with why there is no picture or sound.
  void textPreview(const QString& why);
  void folderIconPreview();
  void showWindow();
  void driveCannotOpen();
  void showBackgroundImage(const QImage& picture);

  void stopMovie();
  void movieLoaded();
  void movieFailed(const QString& status);
  void setMovieStatus(const QString& status);
  void posterFrame(const QVideoFrame& frame);
  void playMovie();
  void showPlayState();
  void releaseRetired();

  ScanContext& context_;
  Dialogs& dialogs_;
  QWidget* mainWindow_;
  std::unique_ptr<PreviewWindow> window_;

  std::optional<PreviewTarget> pending_;  // the newest request not yet served
  PreviewTarget current_;
  PreviewKind kind_ = PreviewKind::Other;
  bool nikonFile_ = false;
  bool displayed_ = false;

  std::atomic<bool> abort_{false};
  ReadResult readResult_;  // written by the reader, read after it is joined
  // Shared with the buffer a player reads, which may outlive the next read.
  std::shared_ptr<const std::vector<uint8_t>> dataForMovie_ = std::make_shared<std::vector<uint8_t>>();

  QMediaPlayer* player_ = nullptr;  // a child, with its audio output, video sink and buffer
  QAudioOutput* audio_ = nullptr;
  struct Retired {
    QMediaPlayer* player;
    int checks;
  };
  std::vector<Retired> retired_;  // paused players waiting to be released
  QTimer retireTimer_;
  QTimer loadTimeout_;
  bool movieStatusShown_ = false;
  // The backend shows no frame before playing: a movie plays muted up to its
  // poster frame and pauses there; Play then starts it from the beginning.
  enum class Poster { None, Awaiting, Pausing };
  Poster poster_ = Poster::None;
  int plainFrames_ = 0;
  bool rewindOnPlay_ = false;

  Worker reader_;  // last: joined before the members it writes are destroyed
};

}  // namespace salvonix::gui
