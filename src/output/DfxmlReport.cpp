#include "output/DfxmlReport.h"

#include <libxml/xmlstring.h>
#include <libxml/xmlwriter.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include "scan/FileTypes.h"

namespace salvonix {

namespace {

constexpr const char* kDfxmlNamespace = "http://www.forensicswiki.org/wiki/Category:Digital_Forensics_XML";
constexpr const char* kOwnNamespace = "https://salvonix.kavix.example/dfxml";

// XML 1.0 can hold neither control characters nor broken UTF-8, which a
// source's path may contain: each such byte becomes U+FFFD.
std::string xmlSafe(const std::string& text) {
  std::string safe;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
  std::size_t at = 0;
  while (at < text.size()) {
    int length = static_cast<int>(std::min<std::size_t>(text.size() - at, 4));
    const int c = xmlGetUTF8Char(bytes + at, &length);
    const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    if (c < 0 || !allowed) {
      safe += "\xEF\xBF\xBD";
      ++at;
    } else {
      safe.append(text, at, static_cast<std::size_t>(length));
      at += static_cast<std::size_t>(length);
    }
  }
  return safe;
}

std::string isoTime(std::chrono::system_clock::time_point time) {
  return fmt::format("{:%Y-%m-%dT%H:%M:%SZ}", fmt::gmtime(std::chrono::system_clock::to_time_t(time)));
}

// Words with spaces or shell characters in single quotes, so the line can be run again.
std::string commandLineText(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    const bool plain = !word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                               "0123456789-_./=,:+@%") == std::string::npos;
    if (plain) {
      line += word;
      continue;
    }
    line += '\'';
    for (char c : word) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += '\'';
  }
  return line;
}

double seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// xmlTextWriter calls that remember whether any of them failed.
class Writer {
 public:
  Writer() : buffer_(xmlBufferCreate()), writer_(buffer_ ? xmlNewTextWriterMemory(buffer_, 0) : nullptr) {
    ok_ = writer_ != nullptr;
    if (!ok_) return;
    check(xmlTextWriterSetIndent(writer_, 1));
    check(xmlTextWriterSetIndentString(writer_, BAD_CAST "  "));
  }
  ~Writer() {
    if (writer_) xmlFreeTextWriter(writer_);
    if (buffer_) xmlBufferFree(buffer_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void startDocument() { check(xmlTextWriterStartDocument(writer_, nullptr, "UTF-8", nullptr)); }
  void start(const char* name) { check(xmlTextWriterStartElement(writer_, BAD_CAST name)); }
  void startOwn(const char* name) {
    check(xmlTextWriterStartElementNS(writer_, BAD_CAST "salvonix", BAD_CAST name, nullptr));
  }
  void end() { check(xmlTextWriterEndElement(writer_)); }
  void attribute(const char* name, const std::string& value) {
    check(xmlTextWriterWriteAttribute(writer_, BAD_CAST name, BAD_CAST xmlSafe(value).c_str()));
  }
  void element(const char* name, const std::string& value) {
    check(xmlTextWriterWriteElement(writer_, BAD_CAST name, BAD_CAST xmlSafe(value).c_str()));
  }
  void ownElement(const char* name, const std::string& value) {
    check(xmlTextWriterWriteElementNS(writer_, BAD_CAST "salvonix", BAD_CAST name, nullptr,
                                      BAD_CAST xmlSafe(value).c_str()));
  }
  // The document, or nothing if a call failed.
  std::optional<std::string> finish() {
    if (!ok_) return std::nullopt;
    check(xmlTextWriterEndDocument(writer_));
    xmlTextWriterFlush(writer_);
    if (!ok_) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer_)), xmlBufferLength(buffer_));
  }

 private:
  void check(int result) { ok_ = ok_ && result >= 0; }

  xmlBufferPtr buffer_;
  xmlTextWriterPtr writer_;
  bool ok_ = false;
};

void writeCreator(Writer& xml, const DfxmlReport& report) {
  xml.start("creator");
  xml.element("program", "salvonix");
  xml.element("version", SALVONIX_VERSION);
  xml.start("execution_environment");
  utsname system {};
  if (uname(&system) == 0) {
    xml.element("os_sysname", system.sysname);
    xml.element("os_release", system.release);
    xml.element("os_version", system.version);
    xml.element("host", system.nodename);
    xml.element("arch", system.machine);
  }
  xml.element("command_line", commandLineText(report.commandLine));
  xml.element("uid", std::to_string(getuid()));
  xml.element("start_time", isoTime(report.start));
  xml.end();
  xml.end();
}

void writeSource(Writer& xml, const DfxmlReport& report) {
  xml.start("source");
  xml.element("image_filename", report.source);
  xml.end();
  xml.start("diskimageobject");
  xml.ownElement("image_kind", report.imageKind);
  xml.ownElement("image_size", std::to_string(report.sourceSize));
  xml.element("sector_size", std::to_string(report.sectorSize));
  xml.end();
}

// A run of the file's bytes: from the source at img_offset, or a fill byte.
void writeByteRun(Writer& xml, uint64_t fileOffset, const char* origin, uint64_t originValue, uint64_t length) {
  xml.start("byte_run");
  xml.attribute("file_offset", std::to_string(fileOffset));
  xml.attribute(origin, std::to_string(originValue));
  xml.attribute("len", std::to_string(length));
  xml.end();
}

// Where the file's bytes lie on the source; what lies past its end is saved
// as zeros, a run filled with 0.
void writeFile(Writer& xml, const HDIR& folder, const HDIR& file, const DfxmlReport& report) {
  xml.start("fileobject");
  xml.element("filename", folder.fileName + "/" + file.fileName);
  xml.element("name_type", "r");
  xml.element("filesize", std::to_string(file.fileSize));
  if (file.extraBytesToMove >= 0) {
    const uint64_t start = byteOffsetOf(file, report.sectorSize);
    const uint64_t onSource = start < report.sourceSize ? std::min(file.fileSize, report.sourceSize - start) : 0;
    xml.start("byte_runs");
    if (onSource > 0) writeByteRun(xml, 0, "img_offset", start, onSource);
    if (file.fileSize > onSource) writeByteRun(xml, onSource, "fill", 0, file.fileSize - onSource);
    xml.end();
  }
  xml.ownElement("type", typeKeyOfFolder(folder.fileName));
  xml.end();
}

void writeUsage(Writer& xml, const DfxmlReport& report) {
  rusage usage {};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return;
  xml.start("rusage");
  xml.element("utime", fmt::format("{:.6f}", seconds(usage.ru_utime)));
  xml.element("stime", fmt::format("{:.6f}", seconds(usage.ru_stime)));
  xml.element("maxrss", std::to_string(usage.ru_maxrss));
  xml.element("minflt", std::to_string(usage.ru_minflt));
  xml.element("majflt", std::to_string(usage.ru_majflt));
  xml.element("nswap", std::to_string(usage.ru_nswap));
  xml.element("inblock", std::to_string(usage.ru_inblock));
  xml.element("oublock", std::to_string(usage.ru_oublock));
  xml.element("clocktime", fmt::format("{:.3f}", std::chrono::duration<double>(report.end - report.start).count()));
  xml.end();
}

}  // namespace

std::string writeDfxml(const std::string& path, const HDIR& root, const DfxmlReport& report) {
  Writer xml;
  xml.startDocument();
  xml.start("dfxml");
  xml.attribute("xmlns", kDfxmlNamespace);
  xml.attribute("xmlns:dc", "http://purl.org/dc/elements/1.1/");
  xml.attribute("xmlns:salvonix", kOwnNamespace);
  xml.attribute("version", "2.0.0-beta.0");
  xml.start("metadata");
  xml.element("dc:type", "Carve Report");
  xml.end();
  writeCreator(xml, report);
  writeSource(xml, report);
  for (const auto& folder : root.children)
    for (const auto& file : folder->children) writeFile(xml, *folder, *file, report);
  writeUsage(xml, report);
  xml.ownElement("end_time", isoTime(report.end));
  xml.end();
  const auto document = xml.finish();
  if (!document) return fmt::format("cannot build the DFXML report {}", path);
  std::ofstream file(path, std::ios::binary);
  if (!(file << *document << '\n') || !file.flush()) return fmt::format("cannot write {}", path);
  return {};
}

}  // namespace salvonix
