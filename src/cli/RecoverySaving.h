#pragma once
// The end of `scan --out` and `open --out`: the marked files saved from the
// source, report.txt beside them, and the exit code that says how it went.

#include <string>

#include "cli/ConsoleObserver.h"
#include "cli/ResultReport.h"
#include "scan/HDIR.h"
#include "scan/ScanContext.h"

namespace salvonix {

inline constexpr const char* kRecoveryReportName = "report.txt";

// Why destination may not receive a new recovery: it already holds one (its
// root folder with something in it, or a report). "" when it may.
std::string existingRecoveryProblem(const std::string& destination, const std::string& rootName);

// Creates the destination and proves that a file can be written there.
std::string prepareDestination(const std::string& directory);

// Saves the marked files of root, read from summary.source, below
// destination. Returns kDone, kFilesNotSaved or kStopped.
int saveRecovery(ScanContext& context, HDIR& root, const ScanSummary& summary, const std::string& destination,
                 ConsoleObserver& console);

}  // namespace salvonix
