#include "checkers/RawFileBuilders.h"

namespace salvonix::test {

void putCrw(const TestImage& image, uint64_t at, const CrwFile& crw) {
  const EndianWriter w(image, at, crw.littleEndian);
  w.text(0, crw.littleEndian ? "II" : "MM");
  w.u32(2, crw.headerLength);
  w.text(6, "HEAPCCDR");
  const uint64_t table = crw.trailer - (2 + 10 * crw.entries);
  w.u16(table, crw.entries);
  w.u16(table + 12, crw.entry1Tag);
  w.u32(table + 14, crw.previewSize);
  w.u32(table + 18, static_cast<uint32_t>(crw.previewStart - crw.headerLength));
  w.u32(crw.trailer, static_cast<uint32_t>(table - crw.headerLength));
  w.bytes(crw.previewStart, crw.preview);
}

void putMrw(const TestImage& image, uint64_t at, const MrwFile& mrw) {
  const EndianWriter w(image, at, false);
  w.bytes(0, {0, 'M', 'R', 'M'});
  w.u32(4, mrw.blockAreaLength);
  uint64_t block = 8;
  for (uint32_t bodyLength : mrw.blocksBeforePrd) {
    w.bytes(block, {0, 'T', 'T', 'W'});
    w.u32(block + 4, bodyLength);
    block += 8 + bodyLength;
  }
  w.bytes(block, {0, 'P', 'R', 'D'});
  w.u16(block + 16, mrw.height);
  w.u16(block + 18, mrw.width);
  w.bytes(block + 26, {mrw.storage, 0});
}

void putRaf(const TestImage& image, uint64_t at, const RafFile& raf) {
  const EndianWriter w(image, at, false);
  w.text(0, "FUJIFILMCCD-RAW 0201FF393101");
  w.u32(84, raf.previewOffset);
  w.u32(88, raf.previewLength);
  w.u32(100, raf.cfaOffset);
  w.u32(104, raf.cfaLength);
  w.u32(132, raf.secondLength);
}

void putX3f(const TestImage& image, uint64_t at, const X3fFile& x3f) {
  const EndianWriter w(image, at, true);
  w.text(0, "FOVb");
  w.text(232, x3f.firstSection);
  w.bytes(260, {0xFF, 0xD8, 0xFF, x3f.jpegMarker});
  w.text(x3f.directory, "SECd");
  w.u32(x3f.directory + 8, x3f.entries);
  w.u32(x3f.directory + 12, x3f.entry0Offset);
  w.u32(x3f.directory + 16, x3f.entry0Length);
  w.u32(x3f.directory + 12 + 12 * x3f.entries,
        static_cast<uint32_t>(x3f.directory) + (x3f.endsWithDirectoryOffset ? 0 : 1));
}

void putIfd(const EndianWriter& w, uint64_t at, const std::vector<TiffEntry>& entries, uint32_t next) {
  w.u16(at, static_cast<uint32_t>(entries.size()));
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const TiffEntry& e = entries[k];
    const uint64_t entry = at + 2 + 12 * k;
    w.u16(entry, e.tag);
    w.u16(entry + 2, e.type);
    w.u32(entry + 4, e.count);
    e.type == 3 && e.count <= 2 ? w.u16(entry + 8, e.value) : w.u32(entry + 8, e.value);
  }
  w.u32(at + 2 + 12 * entries.size(), next);
}

void putSigmaTiff(const TestImage& image, uint64_t at, const SigmaTiffFile& tiff) {
  const EndianWriter w(image, at, tiff.littleEndian);
  w.text(0, tiff.littleEndian ? "II" : "MM");
  w.u16(2, 42);
  w.u32(4, tiff.ifd0);
  putIfd(w, tiff.ifd0, tiff.entries, tiff.next);
  w.text(200, tiff.make);
  w.bytes(200 + tiff.make.size(), {0});
}

Measured measure(const std::string& imagePath, FileType type, uint64_t sector, uint32_t bytesPerSector) {
  CheckerRun run(imagePath, type, bytesPerSector);
  run.context.u64RawJpgFileSize = 7777;
  run.context.u64RawJpgFileSectorNumber = 99;
  const uint64_t size = run.size(sector);
  return {size, run.context.bRawJpgFileFound, run.context.u64RawJpgFileSectorNumber,
          run.context.uExtraBytesOfJpgFileOffset, run.context.u64RawJpgFileSize};
}

std::vector<std::string> describe(const std::vector<FoundFile>& found, uint64_t firstSector) {
  std::vector<std::string> out;
  for (const FoundFile& f : found) {
    out.push_back(f.folder + "/" + f.name + " " + std::to_string(f.sector - firstSector) + "+" +
                  std::to_string(f.extraBytesToMove) + " " + std::to_string(f.size));
  }
  return out;
}

}  // namespace salvonix::test
