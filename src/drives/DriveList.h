#pragma once
// The drive list: the whole drives a user can scan, the choice of one as the
// scan target, and the rebuild after a device event that finds the drive of
// the results on show again. Not thread-safe: a window calls it from its main
// thread only (the watcher hands rebuilds there).

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "drives/DriveFinder.h"
#include "drives/DriveIdentity.h"
#include "drives/DriveRecord.h"
#include "scan/ScanContext.h"

namespace salvonix {

enum class ShownPage { DriveShow, FileTypes, Scanning, RecoveredFiles };
enum class DriveColumn { Drives, Size, SerialNumber };

class DriveList {
 public:
  DriveList(ScanContext& context, DriveFinder& finder, FirstSectorsReader readFirstSectors = readFirstFiveSectors);

  void initialDriveList();
  void refreshDriveList();
  // Applies the chosen row (none: nothing chosen) to the selection state and the scan parameters. Returns why the
  // drive cannot be scanned (also in the description, with Next disabled), or "".
  std::string tableViewSelectionDidChange(std::optional<std::size_t> row);
  std::vector<DriveIdentity> retriveAllDriveDetails() const;
  // Adds a disk image file (or a block device named by its path) as a drive
  // row after the attached drives, kept through every rebuild; a path already
  // added keeps its one row. False, with the reason in error, when the path
  // cannot be scanned.
  bool addImageFile(const std::string& path, std::string* error);

  void setShownPage(ShownPage page) { shownPage_ = page; }
  std::optional<std::size_t> selectedRow() const { return selectedRow_; }
  bool nextButtonEnabled() const { return nextButtonEnabled_; }
  const std::string& selectedDriveNameToDisplay() const { return selectedDriveNameToDisplay_; }
  // "Selected Drive: ...\n\nSerial: ...\n\nSize: ..." for the drive page.
  std::string descriptionText() const;

  std::size_t numberOfRowsInTableView() const { return driveDictArray_.size(); }
  // The Drives column gives the row's name line.
  std::string objectValue(DriveColumn column, std::size_t row) const;

  const std::vector<DriveRecord>& responseFindMedia() const { return responseFindMedia_; }
  const std::vector<DriveRecord>& finalArrayForVolumes() const { return finalArrayForVolumes_; }
  const std::vector<DriveRecord>& driveDictArray() const { return driveDictArray_; }
  const std::vector<DriveRecord>& volumeDictArray() const { return volumeDictArray_; }
  const std::vector<DriveIdentity>& allDriveInfoToStore() const { return allDriveInfoToStore_; }

 private:
  void build();
  void truncateDriveModelNumber();
  void separateDrvVol();
  void appendImageFile(const DriveRecord& image);
  void findDriveOfResults();
  void setPreviewPath(const std::string& path);

  ScanContext& context_;
  DriveFinder& finder_;
  FirstSectorsReader readFirstSectors_;
  std::vector<DriveRecord> responseFindMedia_;
  std::vector<DriveRecord> finalArrayForVolumes_;
  std::vector<DriveRecord> driveDictArray_;
  std::vector<DriveRecord> volumeDictArray_;
  std::vector<DriveIdentity> allDriveInfoToStore_;
  std::vector<DriveRecord> imageFiles_;  // added by the user, in the order added
  ShownPage shownPage_ = ShownPage::DriveShow;
  std::optional<std::size_t> selectedRow_;
  bool nextButtonEnabled_ = false;
  std::string selectedDriveNameToDisplay_;
  std::string selectionProblem_;
};

// What a row shows: the name line ("vendor product revision" for a USB or
// FireWire drive, "model revision" otherwise, the volume name for a volume)
// and the serial column ("-" for USB and FireWire drives).
std::string nameLine(const DriveRecord& record);
std::string serialNumberColumn(const DriveRecord& record);
// selectedDrive for a chosen record: its model, else its product name.
std::string selectedDriveOf(const DriveRecord& record);

}  // namespace salvonix
