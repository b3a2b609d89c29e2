// What a preview reads of a found file (its first 50 MiB, in pieces an abort interrupts),
// the character dump, the album picture of an MP3 tag, and the shown size.

#include <QImage>
#include <QTest>
#include <climits>
#include <future>
#include <thread>

#include "browse/PreviewData.h"
#include "support/ChildProcess.h"
#include "support/SampleJpeg.h"
#include "support/TestDevices.h"
#include "support/TestImage.h"

using namespace salvonix;
using namespace salvonix::gui;
using test::Bytes;
using test::commandSucceeds;

namespace {

constexpr uint64_t kMiB = 1 << 20;

PreviewTarget target(uint64_t sector, uint64_t size, int32_t leading) {
  return {"file", kFileType, sector, size, leading};
}

Bytes bytesAt(const std::string& path, uint64_t offset, std::size_t length) {
  Bytes bytes(length);  // past the device end: zeros, as the saved file has
  Device::open(path)->readAt(offset, bytes.data(), length);
  return bytes;
}

uint32_t synchsafe(std::size_t value) {
  return uint32_t((value >> 21 & 0x7F) << 24 | (value >> 14 & 0x7F) << 16 | (value >> 7 & 0x7F) << 8 | (value & 0x7F));
}
Bytes bigEndian(uint32_t value) {
  return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes frame(const char* id, const Bytes& body, std::optional<uint32_t> stored = {}) {
  return text(id) + bigEndian(stored.value_or(uint32_t(body.size()))) + Bytes{0, 0} + body;
}
Bytes tag(uint8_t version, const Bytes& frames, std::optional<uint32_t> size = {}) {
  return text("ID3") + Bytes{version, 0, 0} + bigEndian(synchsafe(size.value_or(frames.size()))) + frames;
}
Bytes apic(uint8_t encoding, const Bytes& description, const Bytes& picture, const std::string& mime = "image/png") {
  return Bytes{encoding} + text(mime) + Bytes{0, 3} + description + picture;
}

// Through a buffer of exactly the tag's size, so a sanitizer sees any read past it.
Bytes pictureOf(const Bytes& bytes) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), exact.get());
  const auto picture = albumPicture({exact.get(), bytes.size()});
  return Bytes(picture.begin(), picture.end());
}

}  // namespace

class PreviewDataTest : public QObject {
  Q_OBJECT
 private slots:
  void readsTheFilesFirstBytes() {
    test::TempDir dir;
    const test::TestImage image(dir.file("card.img"), 120 * kMiB);  // sparse
    const Bytes jpeg = test::sampleJpeg(5000, 1);
    image.put(10 * 512, test::randomBytes(300, 2) + jpeg);  // a raw file's preview, 300 bytes into its sector
    image.put(100 * 512, test::randomBytes(200'000, 3));
    image.put(1000 * 512, test::randomBytes(kMiB, 4));
    image.put(1000 * 512 + 50 * kMiB - kMiB / 2, test::randomBytes(kMiB, 5));  // across the 50 MiB limit
    image.put(120 * kMiB - 3000, test::randomBytes(3000, 6));

    const struct {
      const char* name;
      uint32_t bytesPerSector;
      uint64_t sector;
      int32_t leading;
      uint64_t size;
      uint64_t failAt;  // device offset whose read says the drive has gone; 0: none
      PreviewRead outcome;
      std::size_t length;
      std::size_t reads;
    } cases[] = {
        {"JPEG 300 bytes into its sector", 512, 10, 300, 5000, 0, PreviewRead::Loaded, 5000, 1},
        {"exactly one piece", 512, 100, 0, 65'536, 0, PreviewRead::Loaded, 65'536, 1},
        {"last sector byte as leading offset", 512, 100, 511, 70'000, 0, PreviewRead::Loaded, 70'000, 2},
        {"4096-byte sectors", 4096, 12, 300, 131'073, 0, PreviewRead::Loaded, 131'073, 3},
        {"100 MiB file loads its first 50 MiB", 512, 1000, 0, 100 * kMiB, 0, PreviewRead::Loaded, 50 * kMiB, 800},
        {"file running past the device end", 512, 120 * 2048 - 4, 0, 10'000, 0, PreviewRead::Loaded, 10'000, 1},
        {"empty file", 512, 100, 0, 0, 0, PreviewRead::Loaded, 0, 0},
        {"leading offset of a whole sector", 512, 10, 512, 5000, 0, PreviewRead::DeviceFailed, 0, 0},
        {"negative leading offset", 512, 10, -1, 5000, 0, PreviewRead::DeviceFailed, 0, 0},
        {"empty file, leading offset outside", 512, 10, 600, 0, 0, PreviewRead::DeviceFailed, 0, 0},
        {"drive gone in the third piece", 512, 100, 0, 200'000, 100 * 512 + 140'000, PreviewRead::DeviceFailed,
         131'072, 3},
    };
    const std::atomic<bool> noAbort{false};
    for (const auto& c : cases) {
      auto device = std::make_shared<test::TestDevice>(image.path());
      if (c.failAt) device->failBetween(c.failAt, c.failAt + 1, ENODEV);
      const auto read = readDataForPreview(device, c.bytesPerSector, target(c.sector, c.size, c.leading), noAbort);
      QVERIFY2(read.outcome == c.outcome, c.name);
      QVERIFY2(read.bytes.size() == c.length, c.name);
      QVERIFY2(device->reads().size() == c.reads, c.name);
      const Bytes expected = bytesAt(image.path(), c.sector * c.bytesPerSector + c.leading, c.length);
      QVERIFY2(read.bytes == expected, c.name);
    }
    QVERIFY(readDataForPreview(nullptr, 512, target(10, 5000, 300), noAbort).outcome == PreviewRead::DeviceFailed);
    const auto raw = readDataForPreview(Device::open(image.path()), 512, target(10, 5000, 300), noAbort);
    QVERIFY(raw.bytes == jpeg);
  }

  void abortStopsWithinOnePiece() {
    test::TempDir dir;
    const test::TestImage image(dir.file("card.img"), 60 * kMiB);
    for (const int abortAfter : {0, 3}) {
      auto device = std::make_shared<test::TestDevice>(image.path());
      device->holdFrom(8 * 512 + 2 * kPreviewPiece);  // inside the third piece
      std::atomic<bool> abort{abortAfter == 0};
      auto reading = std::async(std::launch::async, [&] {
        return readDataForPreview(device, 512, target(8, 60 * kMiB, 0), abort);
      });
      if (abortAfter) {
        while (!device->held()) std::this_thread::yield();
        abort = true;
        device->release();
      }
      const auto read = reading.get();
      QVERIFY(read.outcome == PreviewRead::Aborted);
      QCOMPARE(read.bytes.size(), abortAfter * kPreviewPiece);
      QCOMPARE(device->reads().size(), std::size_t(abortAfter));
    }
  }

  void characterDumpShowsPrintableBytes() {
    test::TempDir dir;
    const test::TestImage image(dir.file("card.img"), 6 * 512 + 100);
    Bytes every(2048);
    for (std::size_t i = 0; i < every.size(); ++i) every[i] = uint8_t(i);
    image.put(0, every);

    const struct {
      uint32_t bytesPerSector;
      uint64_t sector;
      bool failing;
      std::optional<std::size_t> length;
    } cases[] = {
        {512, 0, false, 2048},       {2048, 0, false, 2048},      {512, 3, false, 1636}, {512, 7, false, 0},
        {4096, ULLONG_MAX, false, 0}, {512, 0, true, std::nullopt}, {0, 0, false, std::nullopt},
    };
    for (const auto& c : cases) {
      test::TestDevice device(image.path());
      if (c.failing) device.failBetween(0, 1);
      // The leading offset is not applied: the dump shows the whole start sector.
      const auto dump = characterDump(device, c.bytesPerSector, target(c.sector, 4000, 300));
      QCOMPARE(dump.has_value(), c.length.has_value());
      if (dump) QCOMPARE(dump->size(), *c.length);
    }
    const std::string dump = *characterDump(*Device::open(image.path()), 512, target(0, 1, 300));
    QCOMPARE(dump.substr(0x1E, 4), std::string(".. !"));
    QCOMPARE(dump.substr(0x7D, 4), std::string("}~.."));
    QCOMPARE(dump.substr(0x141, 3), std::string("ABC"));
    QCOMPARE(std::count(dump.begin(), dump.end(), '.'), std::ptrdiff_t(2048 - 8 * 94));  // 94 printable besides '.'
  }

  void albumPictureOfRealEncoderTags() {
    for (const std::string tool : {"convert", "sox", "lame", "ffmpeg"})
      if (!commandSucceeds("command -v " + tool)) QSKIP("needs ImageMagick, sox, lame and ffmpeg");
    test::TempDir dir;
    const std::string d = dir.path().string() + "/";
    const std::string ff = "ffmpeg -nostdin -y -i " + d + "plain.mp3 -i " + d + "cover.jpg -map 0 -map 1 -c copy ";
    QVERIFY(commandSucceeds("convert -seed 5 -size 64x48 plasma: " + d + "cover.jpg"));
    QVERIFY(commandSucceeds("sox -n -r 44100 -c 1 " + d + "tone.wav synth 0.5 sine 440"));
    QVERIFY(commandSucceeds("lame --quiet " + d + "tone.wav " + d + "plain.mp3"));
    const Bytes cover = test::readFile(d + "cover.jpg");

    const struct {
      const char* name;
      std::string command;
      bool withCover;
    } cases[] = {
        {"plain.mp3", "true", false},
        {"lame.mp3", "lame --quiet --add-id3v2 --tt Song " + d + "tone.wav " + d + "lame.mp3", false},
        {"lame-cover.mp3", "lame --quiet --ti " + d + "cover.jpg " + d + "tone.wav " + d + "lame-cover.mp3", true},
        {"v3.mp3", ff + "-id3v2_version 3 " + d + "v3.mp3", true},
        {"v4.mp3", ff + d + "v4.mp3", true},  // frame sizes synchsafe
        {"utf16.mp3", ff + "-id3v2_version 3 -metadata:s:v title=Pochette\\ é " + d + "utf16.mp3", true},
    };
    for (const auto& c : cases) {
      QVERIFY2(commandSucceeds(c.command), c.name);
      const Bytes picture = pictureOf(test::readFile(d + c.name));
      QVERIFY2(picture == (c.withCover ? cover : Bytes{}), c.name);
      if (c.withCover) QCOMPARE(QImage::fromData(picture.data(), int(picture.size())).size(), QSize(64, 48));
    }
  }

  void albumPictureOfMadeAndDamagedTags() {
    const Bytes pic = test::sampleJpeg(300, 7);  // over 127 bytes: synchsafe and plain sizes differ
    const Bytes title = frame("TIT2", text(std::string("\0Song", 5)));
    const Bytes padding(40, 0);
    const Bytes plain = apic(0, {0}, pic);
    const struct {
      const char* name;
      Bytes bytes;
      bool hasPicture;
    } cases[] = {
        {"Latin-1 description after a text frame",
         tag(3, title + frame("APIC", apic(0, text("front") + Bytes{0}, pic)) + padding), true},
        {"UTF-16 description ending in a zero byte", tag(3, frame("APIC", apic(1, {0xFF, 0xFE, 'A', 0, 0, 0}, pic))),
         true},
        {"UTF-16BE description ending in a zero byte", tag(3, frame("APIC", apic(2, {1, 0, 0, 0}, pic))), true},
        {"version 4 synchsafe frame size", tag(4, frame("APIC", plain, synchsafe(plain.size()))), true},
        {"not a tag", text("ID4") + Bytes(20, 0), false},
        {"tag header only", tag(3, {}), false},
        {"no picture frame", tag(3, title + padding), false},
        {"zero-size frame before it", tag(3, frame("TXXX", {}) + frame("APIC", plain)), false},
        {"frame size past the tag end", tag(3, frame("TIT2", text("x"), 0x7FFF'FFFF) + frame("APIC", plain)), false},
        {"picture frame of size 2^32 - 1", tag(3, frame("APIC", plain, 0xFFFF'FFFF)), false},
        {"tag size ending inside it", tag(3, frame("APIC", plain), 100), false},
        {"MIME type without a zero in 64 bytes",
         tag(3, frame("APIC", apic(0, {0}, pic, "image/" + std::string(70, 'x')))), false},
        {"MIME type ending past the frame", tag(3, frame("APIC", Bytes{0} + text("image/png")) + padding), false},
        {"description ending past the frame", tag(3, frame("APIC", apic(0, text("abc"), {})) + padding), false},
        {"description without a zero in 64 bytes", tag(3, frame("APIC", apic(0, Bytes(70, 'd') + Bytes{0}, pic))),
         false},
        {"UTF-16 description without a zero pair", tag(3, frame("APIC", apic(1, {0xFF, 0xFE, 'A', 0, 0}, {}))), false},
    };
    for (const auto& c : cases) QVERIFY2(pictureOf(c.bytes) == (c.hasPicture ? pic : Bytes{}), c.name);

    // Every cut through a tag ending in its picture frame leaves no picture.
    const Bytes whole = tag(3, title + frame("APIC", apic(1, {0xFF, 0xFE, 0, 0}, pic)));
    for (std::size_t length = 0; length < whole.size(); ++length)
      QVERIFY(pictureOf(Bytes(whole.begin(), whole.begin() + length)).empty());
    QVERIFY(pictureOf(whole) == pic);
  }

  void shownSizes() {
    const struct {
      QSize picture;
      bool nikon;
      QSize shown;
    } preview[] = {
        {{800, 600}, false, {333, 250}},   {{1000, 500}, false, {400, 200}}, {{400, 250}, false, {400, 250}},
        {{401, 250}, false, {400, 249}},   {{400, 251}, false, {398, 250}}, {{160, 120}, true, {160, 120}},
        {{40, 30}, true, {300, 200}},      {{60, 49}, true, {300, 200}},    {{49, 300}, true, {40, 250}},
        {{40, 30}, false, {40, 30}},       {{0, 0}, false, {0, 0}},         {{0, 0}, true, {300, 200}},
        {{INT_MAX, INT_MAX}, false, {250, 250}}, {{INT_MAX, 1}, false, {400, 0}}, {{1, INT_MAX}, false, {0, 250}},
    };
    for (const auto& c : preview) QCOMPARE(previewImageSize(c.picture, c.nikon), c.shown);

    const struct {
      QSize picture;
      QSize fitted;
    } fitted[] = {
        {{200, 100}, {100, 50}}, {{50, 300}, {16, 100}},  {{100, 100}, {100, 100}},
        {{0, 0}, {0, 0}},        {{1000, 3}, {100, 1}},   {{INT_MAX, INT_MAX}, {100, 100}},
    };
    for (const auto& c : fitted) QCOMPARE(fittedInto(c.picture, 100), c.fitted);

    const uint32_t shredded[][2] = {{0x7F7F7F7F, 0x0FFFFFFF}, {0xFFFFFFFF, 0x0FFFFFFF}, {0x00000201, 0x101},
                                    {0x80808080, 0}, {0x00001471, 2673}};
    for (const auto& s : shredded) QCOMPARE(mp3BitShredder(s[0]), s[1]);
  }
};

QTEST_GUILESS_MAIN(PreviewDataTest)
#include "PreviewDataTest.moc"
