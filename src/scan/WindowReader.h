#pragma once
// The engine's sequential reader. Hands out 64 KiB windows of the device,
// zero past its end. A reader thread reads ahead in larger pieces so that the
// scan's own thread spends its time on the sectors, not in the kernel copy;
// a device no larger than one piece is read on the caller's thread.
// A window fails exactly when a 64 KiB read of it would.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace salvonix {

class Device;

class WindowReader {
 public:
  explicit WindowReader(const Device* device, uint32_t chunkBytes = 1u << 20, unsigned slots = 4);
  ~WindowReader();
  WindowReader(const WindowReader&) = delete;
  WindowReader& operator=(const WindowReader&) = delete;

  // The 65,536 bytes at byteOffset, or null on a read error. Valid until the next call.
  const uint8_t* window(uint64_t byteOffset);

 private:
  enum class SlotState { Free, Ready, Failed };
  struct Slot {
    std::vector<uint8_t> bytes;
    uint64_t start = 0;
    SlotState state = SlotState::Free;
  };

  void readAhead();
  void restartAt(uint64_t byteOffset);
  const uint8_t* readSingleWindow(uint64_t byteOffset);

  const Device* device_;
  const uint64_t chunkBytes_;
  std::vector<Slot> slots_;
  std::vector<uint8_t> single_;  // a lone window read outside the pieces

  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t nextStart_ = 0;       // where the reader thread reads next
  std::size_t fillIndex_ = 0;    // slot the reader thread fills next
  std::size_t useIndex_ = 0;     // slot the scan uses
  bool holding_ = false;         // the scan holds slot useIndex_
  uint64_t generation_ = 0;      // bumped on every restart
  bool running_ = false;         // the reader thread has somewhere to read
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace salvonix
