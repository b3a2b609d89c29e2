// The preview window driven as a user drives it over a scanned card of real
// pictures, sounds and a movie; and previews of hand-placed files no scan makes.

#include <QMediaPlayer>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>

#include "app/AppController.h"
#include "app/MainWindow.h"
#include "browse/HdirTreeModel.h"
#include "browse/Preview.h"
#include "browse/PreviewKinds.h"
#include "browse/PreviewMovieView.h"
#include "browse/PreviewWindow.h"
#include "gui-support/GuiFixture.h"
#include "support/ChildProcess.h"
#include "support/TestDevices.h"

using namespace salvonix;
using namespace salvonix::gui;

namespace {

constexpr uint64_t kMiB = 1 << 20;

test::Bytes made(const std::string& command, const std::string& path) {
  return test::commandSucceeds(command) ? test::readFile(path) : test::Bytes{};
}

// Overwrites the payload of every segment with this marker: no decoder can
// make a picture without its frame header or Huffman tables.
void destroySegments(test::Bytes& jpeg, uint8_t marker) {
  for (std::size_t at = 2; at + 4 < jpeg.size(); ++at)
    if (jpeg[at] == 0xFF && jpeg[at + 1] == marker) {
      const std::size_t length = jpeg[at + 2] << 8 | jpeg[at + 3];
      std::fill(jpeg.begin() + at + 4, jpeg.begin() + std::min(jpeg.size(), at + 2 + length), 0);
    }
}

// The dump as the user should see it: 2,048 bytes, the unprintable as ".".
QString expectedDump(const test::Bytes& bytes) {
  QString dump;
  for (std::size_t i = 0; i < 2048; ++i) dump += bytes[i] >= 0x20 && bytes[i] <= 0x7E ? QChar(bytes[i]) : QChar('.');
  return dump;
}

QSize pixmapSize(const QLabel& label) { return label.pixmap().size(); }

// A widget's double click is a press and release, then the double click.
void doubleClick(QTreeView& view, QPoint at) {
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at);
}

// A saved file is the original and the slack the scan adds after its end.
bool startsWith(const std::vector<uint8_t>& bytes, const test::Bytes& file) {
  return bytes.size() >= file.size() && std::equal(file.begin(), file.end(), bytes.begin());
}

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT

  test::TempDir dir;
  std::string cardPath;
  // In the order the scan lists them within their folders.
  test::Bytes photo, damaged, clip, coverSong, plainSong;

  struct App : test::TestApp {
    Preview& preview = controller.preview();
    PreviewWindow& shown = preview.window();
    QSignalSpy previews{&preview, &Preview::previewShown};

    QModelIndex row(const std::string& folder, int file = -1) {
      HdirTreeModel& model = controller.resultsModel();
      for (const auto& child : controller.dirRoot()->children)
        if (child->fileName == folder) {
          const QModelIndex index = model.indexOf(child.get());
          return file < 0 ? index : model.index(file, 0, index);
        }
      return {};
    }
    void select(const QModelIndex& index) {
      results.outlineViewForRecoveredFiles->expand(index.parent());
      results.outlineViewForRecoveredFiles->setCurrentIndex(index);
    }
    // Does what the user does, then waits for the preview it brings on screen.
    bool shows(const std::function<void()>& action) {
      const qsizetype before = previews.count();
      action();
      return test::waitUntil([&] { return previews.count() > before; }, 30000);
    }
  };

  void scanCard(App& app) {
    QVERIFY(app.controller.openDiskImage(QString::fromStdString(cardPath)));
    app.window.drivePage->nextButton->click();
    app.window.fileTypesPage->scannButton->click();
    QVERIFY(test::waitUntil([&] { return !app.controller.scanRunning(); }));
    QCOMPARE(app.results.totalNumberOfFile->text().toInt(), 5);
  }

 private slots:
  void initTestCase() {
    const std::string d = dir.path().string() + "/";
    photo = made("convert -seed 4 -size 800x600 plasma: -quality 90 " + d + "photo.jpg", d + "photo.jpg");
    damaged = made("convert -size 300x200 gradient:navy-orange " + d + "damaged.jpg", d + "damaged.jpg");
    const bool cover = test::commandSucceeds("convert -size 160x120 gradient:red-yellow " + d + "cover.jpg");
    const bool tone = test::commandSucceeds("sox -R -n -r 44100 -c 2 -b 16 " + d + "tone.wav synth 2 sine 440");
    coverSong = made("lame --quiet --tt Covered --ti " + d + "cover.jpg " + d + "tone.wav " + d + "cover.mp3", d + "cover.mp3");
    plainSong = made("lame --quiet --add-id3v2 --tt Plain " + d + "tone.wav " + d + "plain.mp3", d + "plain.mp3");
    clip = made("ffmpeg -y -f lavfi -i testsrc=size=320x240:rate=10 -f lavfi -i sine=frequency=440 -t 2 -c:v mpeg4 "
                "-c:a aac " + d + "clip.mp4", d + "clip.mp4");
    if (photo.empty() || damaged.empty() || !cover || !tone || coverSong.empty() || plainSong.empty() || clip.empty())
      QSKIP("ImageMagick, sox, lame or ffmpeg is missing");
    destroySegments(damaged, 0xC0);
    destroySegments(damaged, 0xC4);

    cardPath = dir.file("card.img");
    const test::Bytes* files[] = {&photo, &damaged, &coverSong, &plainSong, &clip};
    uint64_t sector = 64;
    test::TestImage card(cardPath, 24 * kMiB);
    card.put(0, test::randomBytes(24 * kMiB, 5));
    for (const test::Bytes* file : files) {
      card.putAtSector(sector, *file);
      sector += file->size() / 512 + 2048;  // a megabyte of random bytes between files
    }
  }

  void picturesDumpFolderAndGoneDrive() {
    App app;
    scanCard(app);
    QVERIFY(!app.results.viewButton->isEnabled());
    app.select(app.row("JPG Files", 0));
    QVERIFY(app.results.viewButton->isEnabled());
    QVERIFY(app.shows([&] { app.results.viewButton->click(); }));
    QVERIFY(app.shown.isVisible());
    QCOMPARE(app.shown.shownPage(), QStringLiteral("image"));
    QCOMPARE(pixmapSize(*app.shown.previewImage), QSize(333, 250));  // 800 x 600 fitted into 400 x 250
    QCOMPARE(app.shown.previewFileName->text(), QStringLiteral("file1.jpg"));
    QVERIFY(startsWith(app.preview.dataForMovie(), photo));

    // The next row, while the window is open: the damaged JPEG, as characters.
    QVERIFY(app.shows([&] { app.results.selectNextRow->click(); }));
    QCOMPARE(app.shown.shownPage(), QStringLiteral("text"));
    QCOMPARE(app.shown.previewTextView->toPlainText(), expectedDump(damaged));
    QVERIFY(app.shown.previewTextView->isReadOnly());

    // A folder row shows a folder.
    QVERIFY(app.shows([&] { app.select(app.row("MP3 Files")); }));
    QCOMPARE(app.shown.shownPage(), QStringLiteral("image"));
    QCOMPARE(app.shown.previewFileName->text(), QStringLiteral("MP3 Files"));
    QVERIFY(!app.shown.previewImage->pixmap().isNull());

    app.shown.closeButton->click();
    QVERIFY(!app.shown.isVisible());
    QVERIFY(!app.preview.previewDisplayed());
    app.select(app.row("JPG Files", 0));  // closed: moving on previews nothing
    QTest::qWait(100);
    QCOMPARE(app.previews.count(), 3);

    // A drive removed after the scan: the alert, and no window.
    ScanContext& context = app.controller.context();
    context.bDriveRemovedAfterScanning = true;
    app.results.viewButton->click();
    QCOMPARE(app.dialogs.asked.back(), std::string(kDriveCannotOpen) + "| ");
    QVERIFY(!app.shown.isVisible());

    // The drive is listed, yet cannot be opened: the alert, and the window closes.
    context.bDriveRemovedAfterScanning = false;
    context.deviceOpener = [](const std::string&) { return std::shared_ptr<Device>(); };
    app.dialogs.asked.clear();
    app.results.viewButton->click();
    QVERIFY(test::waitUntil([&] { return !app.dialogs.asked.empty(); }));
    QCOMPARE(app.dialogs.asked.back(), std::string(kDriveCannotOpen) + "| ");
    QVERIFY(!app.shown.isVisible());
    QVERIFY(!app.preview.previewDisplayed());
  }

  void soundsAndMovie() {
    App app;
    scanCard(app);
    QTreeView& outline = *app.results.outlineViewForRecoveredFiles;
    const QModelIndex movieRow = app.row("MP4 Files", 0);
    app.select(movieRow);
    QVERIFY(app.shows([&] { doubleClick(outline, outline.visualRect(movieRow).center()); }));
    QCOMPARE(app.shown.shownPage(), QStringLiteral("videoAndAudio"));
    QCOMPARE(app.shown.movieStatus->text(), QStringLiteral("Click Play button"));
    QVERIFY(app.shown.movieView->isVisibleTo(&app.shown));
    QVERIFY(startsWith(app.preview.dataForMovie(), clip));
    // The first frame, 320 x 240, as the poster fitted into 100 x 100.
    QVERIFY(test::waitUntil([&] { return !app.shown.backgroundImage->pixmap().isNull(); }, 30000));
    QCOMPARE(pixmapSize(*app.shown.backgroundImage), QSize(100, 75));
    const QImage view = app.shown.movieView->grab().toImage();  // the movie waits at that frame
    QVERIFY(view.pixelColor(view.rect().center()) != QColor(Qt::black));
    app.shown.playButton->click();
    QVERIFY(test::waitUntil([&] { return app.preview.player()->playbackState() == QMediaPlayer::PlayingState; }));
    QCOMPARE(app.shown.playButton->text(), QStringLiteral("Pause"));

    // A double click outside the rows does nothing.
    const qsizetype before = app.previews.count();
    doubleClick(outline, QPoint(5, outline.viewport()->height() - 3));
    QTest::qWait(100);
    QCOMPARE(app.previews.count(), before);

    // The MP3s: the album picture of one, none for the other.
    QVERIFY(app.shows([&] { app.select(app.row("MP3 Files", 0)); }));
    QCOMPARE(app.shown.movieStatus->text(), QStringLiteral("Click Play button"));
    QVERIFY(!app.shown.movieView->isVisibleTo(&app.shown));
    QCOMPARE(pixmapSize(*app.shown.backgroundImage), QSize(100, 75));  // the 160 x 120 cover
    QVERIFY(app.shows([&] { app.results.selectNextRow->click(); }));
    QCOMPARE(app.shown.movieStatus->text(), QStringLiteral("Click Play button"));
    QCOMPARE(app.shown.movieName->text(), QStringLiteral("Plain"));  // the tag's title
    QVERIFY(app.shown.backgroundImage->pixmap().isNull());

    // Going home closes the window and its player.
    app.dialogs.answer("Do you wish to save \"Razozuri Deri?\"", "No");
    app.results.homeButton->click();
    QCOMPARE(app.window.shownPage(), QStringLiteral("driveShow"));
    QVERIFY(!app.shown.isVisible());
    QVERIFY(!app.preview.player());
  }

  // While the photo's read is held in its first piece, five more rows are
  // selected: the photo's read stops there, the reads between are never
  // made, and the last row is shown.
  void newestRequestWins() {
    App app;
    scanCard(app);
    const QModelIndex first = app.row("JPG Files", 0);
    const HDIR& photoNode = *app.controller.resultsModel().nodeOf(first);
    const uint64_t photoStart = photoNode.sectorNumber * 512;
    auto device = test::useTestDevice(app.controller.context(), cardPath, photoStart);
    auto release = qScopeGuard([&] { device->release(); });
    app.select(first);
    app.results.viewButton->click();
    QVERIFY(test::waitUntil([&] { return device->held(); }));
    for (const QModelIndex& row : {app.row("MP3 Files", 1), app.row("MP3 Files", 0), app.row("JPG Files", 1),
                                   app.row("JPG Files"), app.row("MP4 Files", 0)}) {
      app.select(row);
      QCoreApplication::processEvents();
    }
    QCOMPARE(app.shown.shownPage(), QStringLiteral("previewLoading"));
    QVERIFY(app.shows([&] { device->release(); }));
    QTest::qWait(200);
    QCOMPARE(app.previews.count(), 1);
    QCOMPARE(app.shown.shownPage(), QStringLiteral("videoAndAudio"));
    QVERIFY(startsWith(app.preview.dataForMovie(), clip));
    QVERIFY(photoNode.fileSize > 2 * kPreviewPiece);
    const auto reads = device->reads();
    const auto inPhoto = [&](auto read) { return read.first - photoStart < photoNode.fileSize; };  // wraps if before
    QCOMPARE(std::count_if(reads.begin(), reads.end(), inPhoto), std::ptrdiff_t(1));
  }

  // Files placed by hand on an image, previewed as the results would name them.
  void placedFiles() {
    const std::string d = dir.path().string() + "/";
    const std::string imagePath = dir.file("placed.img");
    test::TestImage image(imagePath, 120 * kMiB);
    const test::Bytes junk = test::randomBytes(4096, 9);
    image.putAtSector(100, junk);
    image.putAtSector(200, clip);  // followed by zeros up to 100 MiB

    App app;
    app.controller.context().selectedDriveMountPointForPreview = imagePath;
    PreviewWindow& shown = app.shown;
    const auto show = [&](const PreviewTarget& file) { return app.shows([&] { app.preview.requestPreview(file); }); };

    QVERIFY(show({"file2.mp4", kFileType, 100, junk.size(), 0}));
    QCOMPARE(shown.movieStatus->text(), QStringLiteral("!Error. Cannot initialise the movie"));

    QVERIFY(show({"file3.mp4", kFileType, 200, 100 * kMiB, 0}));
    QCOMPARE(shown.shownPage(), QStringLiteral("videoAndAudio"));
    QCOMPARE(app.preview.dataForMovie().size(), std::size_t(50 * kMiB));
    QVERIFY(startsWith(app.preview.dataForMovie(), clip));
    QVERIFY(app.dialogs.asked.empty());

    // A Nikon raw file's tiny first picture is enlarged; other pictures are not.
    if (!imageExtensions().contains("nef")) QSKIP("Qt has no TIFF reader here");
    const test::Bytes thumb = made("convert -size 40x30 gradient:red-blue " + d + "thumb.tif", d + "thumb.tif");
    image.putAtSector(1000, thumb);
    QVERIFY(show({"file4.nef", kFileType, 1000, thumb.size(), 0}));
    QCOMPARE(pixmapSize(*shown.previewImage), QSize(300, 200));
    QVERIFY(show({"file4.tif", kFileType, 1000, thumb.size(), 0}));
    QCOMPARE(pixmapSize(*shown.previewImage), QSize(40, 30));
  }
};

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
