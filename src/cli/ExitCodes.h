#pragma once
// Exit codes of the command line and the way its errors are told.

#include <string>

#include <fmt/format.h>

namespace salvonix {

inline constexpr int kDone = 0;
inline constexpr int kFailure = 1;
inline constexpr int kBadInput = 2;         // arguments, paths or files the program refuses
inline constexpr int kFilesNotSaved = 3;    // completed, but some files could not be saved
inline constexpr int kUnreadableSectors = 4;  // completed, but some sectors could not be read
inline constexpr int kStopped = 130;        // stopped by the user (Ctrl-C)

// Prints the message on standard error and gives back the exit code.
inline int commandError(int code, const std::string& message) {
  fmt::print(stderr, "salvonix: {}\n", message);
  return code;
}

}  // namespace salvonix
