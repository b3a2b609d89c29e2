#include "browse/PreviewKinds.h"

#include <QImageReader>
#include <QMediaFormat>
#include <QMimeDatabase>

#include "scan/HDIR.h"

namespace salvonix::gui {

namespace {

void addSuffixes(QSet<QString>& into, const QString& mimeName) {
  for (const QString& suffix : QMimeDatabase().mimeTypeForName(mimeName).suffixes()) into.insert(suffix.toLower());
}

QSet<QString> decodableImages() {
  QSet<QString> extensions;
  for (const QByteArray& format : QImageReader::supportedImageFormats())
    extensions.insert(QString::fromLatin1(format).toLower());
  for (const QByteArray& mime : QImageReader::supportedMimeTypes()) addSuffixes(extensions, QString::fromLatin1(mime));
  // A Nikon raw file is a TIFF whose first image is its small preview.
  if (extensions.contains(QStringLiteral("tiff"))) extensions.insert(QStringLiteral("nef"));
  return extensions;
}

// Qt 6.4's GStreamer backend reports a container only when its demuxer names
// the codecs it puts out. The QuickTime/MP4 demuxer and the MPEG audio parser
// name none, so MP4, MOV, 3GP, M4A and MP3 go unreported although they play:
// they are taken in when the backend decodes the codecs such files carry.
// MPEG program streams and MIDI are left out: their demuxer and synthesizer
// are not among Debian's base, good and libav plug-ins, and Qt names neither
// as a file format, so such files get the character dump.
QSet<QString> playableMovies() {
  QSet<QString> extensions;
  QMediaFormat probe;  // its queries are not const in Qt 6.4
  for (QMediaFormat::FileFormat format : probe.supportedFileFormats(QMediaFormat::Decode))
    addSuffixes(extensions, QMediaFormat(format).mimeType().name());

  const auto audio = probe.supportedAudioCodecs(QMediaFormat::Decode);
  const auto video = probe.supportedVideoCodecs(QMediaFormat::Decode);
  const bool aac = audio.contains(QMediaFormat::AudioCodec::AAC);
  const bool mpeg4Video =
      video.contains(QMediaFormat::VideoCodec::MPEG4) || video.contains(QMediaFormat::VideoCodec::H264);
  if (audio.contains(QMediaFormat::AudioCodec::MP3)) addSuffixes(extensions, QStringLiteral("audio/mpeg"));
  // AIFF holds the same PCM sound as WAV.
  if (audio.contains(QMediaFormat::AudioCodec::Wave)) addSuffixes(extensions, QStringLiteral("audio/x-aiff"));
  if (aac) {
    addSuffixes(extensions, QStringLiteral("audio/mp4"));
    addSuffixes(extensions, QStringLiteral("audio/x-m4b"));
  }
  if (aac || mpeg4Video)
    for (const char* mime : {"video/mp4", "video/quicktime", "video/3gpp", "video/3gpp2"})
      addSuffixes(extensions, QString::fromLatin1(mime));
  return extensions;
}

}  // namespace

const QSet<QString>& imageExtensions() {
  static const QSet<QString> extensions = decodableImages();
  return extensions;
}

const QSet<QString>& movieExtensions() {
  static const QSet<QString> extensions = playableMovies();
  return extensions;
}

QString extensionOf(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::string_view extension = fileName.substr(dot + 1);
  return QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size()));
}

PreviewKind previewKind(const PreviewTarget& target) {
  if (target.fileType == kFolderType) return PreviewKind::Folder;
  const QString extension = extensionOf(target.fileName).toLower();
  if (extension.isEmpty()) return PreviewKind::Other;
  if (imageExtensions().contains(extension)) return PreviewKind::Image;
  if (movieExtensions().contains(extension)) return PreviewKind::Movie;
  return PreviewKind::Other;
}

bool isNikonFile(std::string_view fileName) {
  const QString extension = extensionOf(fileName);
  return extension == QLatin1String("NEF") || extension == QLatin1String("nef");
}

}  // namespace salvonix::gui
