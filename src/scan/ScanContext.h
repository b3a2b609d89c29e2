#pragma once
// The values the whole program shares: scan parameters, control flags, counters
// and the flags through which checkers talk to the engine and to each other.
// One instance is owned by the application and handed to the parts that need it.
// Values written by one thread and read by another are atomic; the rest are
// touched only by the scanning thread, or only while no scan runs.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scan/UnreadableSectors.h"

namespace salvonix {

class Device;

// Flags of the TIFF-based checkers that live for one sector; the engine clears
// them after every sector.
struct TiffSectorFlags {
  bool bLittleEndianFile = false;
  bool bBigEndianFile = false;
  bool bTiffFileFound = false;
  bool bRawTiffFileFound = false;
  bool bCanonRawTiff = false;
  bool bCanonCr2FileFound = false;
  bool bCanonCrwFileFound = false;
  bool bNikonNefFileFound = false;
  bool bPentaxPefFileFound = false;
  bool bPentaxDngFileFound = false;
  bool bSonySr2FileFound = false;
  bool bKodakKdcFileFound = false;
  bool bKodakK25FileFound = false;
  bool bKodakDcrFileFound = false;
  bool bOlympusOrfFileFound = false;
  bool bRawPanasonicFileFound = false;
  bool bLeicaFileFound = false;
  bool bThreefrFileFound = false;
};

// Set by the engine at scan start for every selected raw-family type.
struct RawFamilySelection {
  bool bArwSelected = false;
  bool bSonySr2Selected = false;
  bool bKdcSelected = false;
  bool bK25Selected = false;
  bool bKodakDcrSelected = false;
  bool bPentaxSelected = false;
  bool bDngSelected = false;
  bool bCanonSelected = false;
  bool bNikonSelected = false;
  bool bTiffSelected = false;
  bool bOlympusSelected = false;
  bool bRawPanasonicSelected = false;
  bool bLeicaSelected = false;
  bool bThreefrFileSelected = false;
};

struct ScanContext {
  // Scan parameters, written only while no scan runs.
  std::string selectedDriveMountPoint;  // device path or image file of the chosen drive
  std::string selectedDrive;            // display name of the chosen drive
  uint32_t u32BytesInSector = 512;
  uint64_t u64DriveSectorNumber = 0;
  uint64_t selectedDriveSize = 0;
  // The sectors to examine: [u64FirstSectorToScan, u64EndSectorToScan) within the drive. Files found are still
  // numbered from the drive start and may be sized past the region's end.
  uint64_t u64FirstSectorToScan = 0;
  uint64_t u64EndSectorToScan = UINT64_MAX;
  uint64_t scanEndSector() const { return std::min(u64DriveSectorNumber, u64EndSectorToScan); }
  std::string cDriveMountedPath;  // the path every reader of a running scan opens

  // Path of the drive the current results belong to (preview and saving).
  // Guarded by previewPathMutex: device changes may rewrite it while results are shown.
  std::string selectedDriveMountPointForPreview;
  std::mutex previewPathMutex;

  // Identity of the drive the results belong to, set when a drive is chosen
  // or a scan information file is opened; a rebuilt drive list finds that
  // drive again by it.
  std::string model;
  std::string serial;
  std::string revision;
  // The drive's first five sectors: read when a scan starts, or taken from an
  // opened scan information file.
  std::vector<uint8_t> first5SectorToSave;
  std::vector<uint8_t> first5SectorInOpen;
  // The results on show came from an opened scan information file.
  bool bDirectFromOpenScanInfo = false;
  bool bRecoveredFileFromOpenScanInfo = false;
  std::atomic<bool> bOpenInfoDriveConnected{false};
  // A drive-list rebuild did not find the drive of the results.
  std::atomic<bool> bDriveRemovedAfterScanning{false};

  // The device held open for the running scan; checkers read through it.
  std::shared_ptr<Device> scanDevice;
  // What the running or last scan could not read.
  UnreadableSectors unreadableSectors;
  // Opens a source read-only; tests put devices with injected faults here.
  std::function<std::shared_ptr<Device>(const std::string& path)> deviceOpener;
  std::shared_ptr<Device> openDevice(const std::string& path) const;

  // Control flags written by the front end and polled by the scanning thread.
  std::atomic<bool> bPauseScanning{false};
  std::atomic<bool> bCancelScanning{false};

  // Set by a checker during a size calculation to make the engine jump over the file.
  bool bSkipFileSize = false;

  // Counters shown by the front end.
  std::atomic<uint64_t> u64TotalNumberOfFileFound{0};
  std::atomic<int32_t> iNumberOfFileSelected{0};
  std::atomic<uint64_t> u64SelectedFileSize{0};
  std::atomic<int32_t> iNumberOfFileSaved{0};
  std::atomic<uint64_t> u64SavedFileSize{0};

  // Preview-JPEG report written by raw checkers, consumed by the engine.
  bool bRawJpgFileFound = false;
  uint64_t u64RawJpgFileSectorNumber = 0;
  uint32_t uExtraBytesOfJpgFileOffset = 0;
  uint64_t u64RawJpgFileSize = 0;

  TiffSectorFlags tiff;
  RawFamilySelection rawSelection;
  // Sony ARW model families, cleared by the ARW checker's parentKey.
  bool bSonyArwA100File = false;
  bool bSonyArwA700File = false;

  // Held while the recovered-file tree is appended to or read.
  std::mutex treeMutex;

  void clearPerSectorFlags() {
    tiff = TiffSectorFlags{};
    bRawJpgFileFound = false;
  }
};

// Read once per step by every walk and loop that a stop must end.
inline bool cancelled(const ScanContext& context) { return context.bCancelScanning.load(std::memory_order_relaxed); }

}  // namespace salvonix
