#pragma once
// Between the scan information file and the values the program shares: what
// a new file stores of the results on show, and what an opened file makes of
// them, including the search for its drive among the attached ones.

#include <optional>
#include <vector>

#include "drives/DriveIdentity.h"
#include "output/ScanInfoFile.h"
#include "output/ScanInfoReader.h"
#include "scan/ScanContext.h"

namespace salvonix {

// The drive part of a new file: the scan parameters, the marked totals, the
// identity strings and the first sectors (those of the opened file when the
// results came from one).
ScanInfoDrive scanInfoDriveOf(const ScanContext& context);

// A disk image is stored under its absolute path as the drive name: its
// identity when a file is still there, read at the stored sector size, so that
// the search below finds it by that path, its size and its first sectors.
std::optional<DriveIdentity> imageIdentityOf(const ScanInfoDrive& drive);

// Takes over an opened file's drive values, then looks for its drive: the
// first identity with the same strings, sector size and size gives the path
// that preview and saving read, one with the same first sectors too taken
// before the others. Returns the index of that identity.
std::optional<std::size_t> applyOpenedScanInfo(ScanContext& context, const ScanInfoOpenResult& opened,
                                               const std::vector<DriveIdentity>& identities);

}  // namespace salvonix
