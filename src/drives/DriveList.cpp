#include "drives/DriveList.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

#include "drives/SysfsFacts.h"
#include "output/SizeText.h"
#include "scan/Device.h"
#include "scan/ScanParameters.h"

namespace salvonix {

namespace k = drivekey;

namespace {

// Joins the present parts with blanks.
std::string joined(std::initializer_list<std::string> parts) {
  std::string line;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!line.empty()) line += ' ';
    line += part;
  }
  return line;
}

// The drive record of an image file: its identity is its name, its size and
// (for a scan information file) its first sectors.
std::optional<DriveRecord> imageFileRecord(const std::string& path, std::string* error) {
  auto refuse = [&](const std::string& reason) {
    if (error) *error = reason;
    return std::nullopt;
  };
  if (path.empty()) return refuse("no image file given");
  std::error_code failure;
  std::filesystem::path absolute = std::filesystem::absolute(path, failure);
  if (failure) return refuse(fmt::format("{} cannot be read: {}", path, failure.message()));
  absolute = absolute.lexically_normal();
  // Checked before opening: opening a FIFO would wait for a writer.
  struct stat st {};
  if (::stat(absolute.c_str(), &st) != 0)
    return refuse(errno == ENOENT || errno == ENOTDIR ? fmt::format("{} does not exist", path)
                                                      : fmt::format("{} cannot be read: {}", path, std::strerror(errno)));
  if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))
    return refuse(fmt::format("{} is neither a disk image file nor a block device", path));
  std::string reason;
  const auto device = Device::open(absolute.string(), &reason);
  if (!device) return refuse(fmt::format("{} cannot be opened for reading: {}", path, reason));

  DriveRecord record;
  record.add(k::kPreferredBlockSize, uint64_t{device->logicalBlockSize()});
  record.add(k::kDeviceModel, absolute.filename().string());
  record.add(k::kDeviceSerial, std::string("-"));
  record.add(k::kDeviceRevision, std::string("image"));
  record.add(k::kDeviceSize, device->sizeInBytes());
  record.add(k::kDevicePath, absolute.string());
  return record;
}

}  // namespace

std::string nameLine(const DriveRecord& record) {
  if (record.has(k::kWhetherVolume)) return record.text(k::kVolumeName);
  if (record.has(k::kWhetherUSB) && !record.has(k::kWhetherSATA))
    return joined({record.text(k::kVendorIdentification), record.text(k::kProductIdentification),
                   record.text(k::kProductRevisionLevel)});
  return joined({record.text(k::kDeviceModel), record.text(k::kDeviceRevision)});
}

std::string serialNumberColumn(const DriveRecord& record) {
  return record.has(k::kWhetherUSB) ? "-" : record.text(k::kDeviceSerial, "-");
}

std::string selectedDriveOf(const DriveRecord& record) {
  return record.text(k::kDeviceModel, record.text(k::kProductIdentification, record.text(k::kProductName)));
}

DriveList::DriveList(ScanContext& context, DriveFinder& finder, FirstSectorsReader readFirstSectors)
    : context_(context), finder_(finder), readFirstSectors_(std::move(readFirstSectors)) {}

void DriveList::initialDriveList() { build(); }

void DriveList::build() {
  responseFindMedia_.clear();
  finalArrayForVolumes_.clear();
  driveDictArray_.clear();
  volumeDictArray_.clear();
  finalArrayForVolumes_ = finder_.volumeList();
  finder_.findMediaMain(responseFindMedia_, finalArrayForVolumes_);
  for (DriveRecord& record : responseFindMedia_) {
    if (!record.has(k::kWhetherVolume)) continue;
    for (const DriveRecord& volume : finalArrayForVolumes_) {
      if (volume.text(k::kVolumePath) == record.text(k::kDevicePath)) {
        record.set(k::kVolumeName, volume.text(k::kVolumeName));
        break;
      }
    }
  }
  truncateDriveModelNumber();
  separateDrvVol();
  for (const DriveRecord& image : imageFiles_) appendImageFile(image);
}

// An image file that the system lists as a drive of its own is not shown twice.
void DriveList::appendImageFile(const DriveRecord& image) {
  const std::string path = image.text(k::kDevicePath);
  const bool listed = std::any_of(driveDictArray_.begin(), driveDictArray_.end(),
                                  [&](const DriveRecord& drive) { return drive.text(k::kDevicePath) == path; });
  if (!listed) driveDictArray_.push_back(image);
}

bool DriveList::addImageFile(const std::string& path, std::string* error) {
  auto record = imageFileRecord(path, error);
  if (!record) return false;
  const std::string devicePath = record->text(k::kDevicePath);
  const bool added = std::any_of(imageFiles_.begin(), imageFiles_.end(),
                                 [&](const DriveRecord& image) { return image.text(k::kDevicePath) == devicePath; });
  if (added) return true;
  imageFiles_.push_back(*record);
  appendImageFile(*record);
  return true;
}

void DriveList::truncateDriveModelNumber() {
  for (DriveRecord& record : responseFindMedia_) {
    if (record.has(k::kWhetherVolume)) continue;
    if (record.has(k::kWhetherUSB) && !record.has(k::kWhetherSATA)) continue;
    record.set(k::kDeviceModel, trimmed(record.text(k::kDeviceModel, "-")));
    record.set(k::kDeviceSerial, trimmed(record.text(k::kDeviceSerial, "-")));
  }
}

void DriveList::separateDrvVol() {
  for (const DriveRecord& record : responseFindMedia_)
    (record.has(k::kWhetherVolume) ? volumeDictArray_ : driveDictArray_).push_back(record);
}

std::vector<DriveIdentity> DriveList::retriveAllDriveDetails() const {
  return salvonix::retriveAllDriveDetails(driveDictArray_, readFirstSectors_);
}

void DriveList::setPreviewPath(const std::string& path) {
  std::lock_guard lock(context_.previewPathMutex);
  context_.selectedDriveMountPointForPreview = path;
}

void DriveList::findDriveOfResults() {
  const DriveIdentityStrings wanted{context_.model, context_.serial, context_.revision};
  for (const DriveRecord& record : driveDictArray_) {
    // The serial is compared too, so that another drive of the same model and
    // size is not taken for the one the results came from.
    if (identityStringsOf(record) == wanted && bytesInSectorOf(record) == context_.u32BytesInSector &&
        record.number(k::kDeviceSize).value_or(0) == context_.selectedDriveSize) {
      setPreviewPath(record.text(k::kDevicePath));
      context_.bDriveRemovedAfterScanning = false;
      return;
    }
  }
  if (!driveDictArray_.empty()) {
    setPreviewPath("");
    context_.bDriveRemovedAfterScanning = true;
  }
}

void DriveList::refreshDriveList() {
  build();
  nextButtonEnabled_ = false;
  findDriveOfResults();
  if (shownPage_ == ShownPage::DriveShow) {
    if (selectedRow_) tableViewSelectionDidChange(selectedRow_);
  } else if (shownPage_ == ShownPage::RecoveredFiles) {
    allDriveInfoToStore_ = retriveAllDriveDetails();
    const DriveQuery query{{context_.model, context_.serial, context_.revision},
                           context_.u32BytesInSector,
                           context_.selectedDriveSize,
                           &context_.first5SectorInOpen};
    if (auto found = findDrive(allDriveInfoToStore_, query)) {
      setPreviewPath(allDriveInfoToStore_[*found].selectedDriveMountPoint);
      context_.bOpenInfoDriveConnected = true;
    }
  }
}

std::string DriveList::tableViewSelectionDidChange(std::optional<std::size_t> row) {
  nextButtonEnabled_ = false;
  selectionProblem_.clear();
  if (!row || *row >= driveDictArray_.size()) {
    selectedRow_.reset();
    return {};
  }
  selectedRow_ = row;
  const DriveRecord& record = driveDictArray_[*row];
  context_.selectedDrive = selectedDriveOf(record);
  const DriveIdentityStrings strings = identityStringsOf(record);
  context_.model = strings.model;
  context_.serial = strings.serial;
  context_.revision = strings.revision;
  selectedDriveNameToDisplay_ = record.has(k::kWhetherUSB) ? fmt::format("{} {}", strings.model, context_.selectedDrive)
                                                           : fmt::format("{} {}", strings.model, strings.revision);
  context_.u32BytesInSector = bytesInSectorOf(record);
  context_.selectedDriveMountPoint = record.text(k::kDevicePath);
  context_.selectedDriveSize = record.number(k::kDeviceSize).value_or(0);
  context_.u64DriveSectorNumber = sectorsCovering(context_.selectedDriveSize, context_.u32BytesInSector);
  // sysfs may report a sector size the engine cannot read with: the drive is shown but cannot be chosen.
  selectionProblem_ = sectorSizeProblem(context_.u32BytesInSector);
  nextButtonEnabled_ = selectionProblem_.empty();
  return selectionProblem_;
}

std::string DriveList::descriptionText() const {
  const std::string text = fmt::format("Selected Drive: {}\n\nSerial: {}\n\nSize: {}", context_.selectedDrive,
                                       context_.serial, sizeText(context_.selectedDriveSize));
  return selectionProblem_.empty() ? text : text + "\n\nThis drive cannot be scanned: " + selectionProblem_ + ".";
}

std::string DriveList::objectValue(DriveColumn column, std::size_t row) const {
  if (row >= driveDictArray_.size()) return {};
  const DriveRecord& record = driveDictArray_[row];
  switch (column) {
    case DriveColumn::Drives: return nameLine(record);
    case DriveColumn::Size: return sizeText(record.number(k::kDeviceSize).value_or(0));
    case DriveColumn::SerialNumber: return serialNumberColumn(record);
  }
  return {};
}

}  // namespace salvonix
