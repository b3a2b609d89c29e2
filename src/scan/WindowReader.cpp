#include "scan/WindowReader.h"

#include <cstring>

#include "scan/Device.h"
#include "scan/ReadDisk.h"

namespace salvonix {

WindowReader::WindowReader(const Device* device, uint32_t chunkBytes, unsigned slots)
    : device_(device), chunkBytes_(chunkBytes < kWindowBytes ? kWindowBytes : chunkBytes), slots_(slots < 2 ? 2 : slots),
      single_(kWindowBytes) {
  // A device that fits in one piece is read window by window on the caller's
  // thread: a reader thread would add nothing but handoffs.
  if (!device_ || device_->sizeInBytes() <= chunkBytes_) return;
  for (auto& slot : slots_) slot.bytes.resize(chunkBytes_);
  thread_ = std::thread([this] { readAhead(); });
}

WindowReader::~WindowReader() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void WindowReader::readAhead() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || (running_ && slots_[fillIndex_].state == SlotState::Free); });
    if (quit_) return;
    const std::size_t index = fillIndex_;
    const uint64_t start = nextStart_;
    const uint64_t generation = generation_;
    Slot& slot = slots_[index];
    lock.unlock();
    const int64_t got = device_->readAt(start, slot.bytes.data(), chunkBytes_);
    if (got >= 0) std::memset(slot.bytes.data() + got, 0, chunkBytes_ - static_cast<uint64_t>(got));
    lock.lock();
    // A restart while reading makes this piece worthless.
    if (generation != generation_) continue;
    slot.start = start;
    slot.state = got >= 0 ? SlotState::Ready : SlotState::Failed;
    nextStart_ = start + chunkBytes_;
    fillIndex_ = (fillIndex_ + 1) % slots_.size();
    changed_.notify_all();
  }
}

void WindowReader::restartAt(uint64_t byteOffset) {
  // Called with the lock held.
  ++generation_;
  for (auto& slot : slots_) slot.state = SlotState::Free;
  nextStart_ = byteOffset;
  fillIndex_ = useIndex_ = 0;
  holding_ = false;
  running_ = true;
  changed_.notify_all();
}

const uint8_t* WindowReader::readSingleWindow(uint64_t byteOffset) {
  const int64_t got = device_->readAt(byteOffset, single_.data(), kWindowBytes);
  if (got < 0) return nullptr;
  std::memset(single_.data() + got, 0, kWindowBytes - static_cast<uint64_t>(got));
  return single_.data();
}

const uint8_t* WindowReader::window(uint64_t byteOffset) {
  if (!device_) return nullptr;
  if (!thread_.joinable()) return readSingleWindow(byteOffset);
  std::unique_lock lock(mutex_);
  auto covers = [&](const Slot& slot) {
    return byteOffset >= slot.start && byteOffset + kWindowBytes <= slot.start + chunkBytes_;
  };
  if (holding_) {
    const Slot& held = slots_[useIndex_];
    if (held.state == SlotState::Ready && covers(held)) return held.bytes.data() + (byteOffset - held.start);
    // Done with this piece: hand it back and move on to the next.
    const uint64_t heldEnd = held.start + chunkBytes_;
    slots_[useIndex_].state = SlotState::Free;
    useIndex_ = (useIndex_ + 1) % slots_.size();
    holding_ = false;
    changed_.notify_all();
    if (byteOffset < heldEnd || byteOffset >= heldEnd + chunkBytes_) restartAt(byteOffset);
  } else if (!running_ || slots_[useIndex_].state == SlotState::Free) {
    restartAt(byteOffset);
  }
  // Wait for the piece that should hold this window; restart if it does not.
  for (;;) {
    changed_.wait(lock, [&] { return slots_[useIndex_].state != SlotState::Free; });
    Slot& slot = slots_[useIndex_];
    if (!covers(slot)) {
      restartAt(byteOffset);
      continue;
    }
    holding_ = true;
    if (slot.state == SlotState::Ready) return slot.bytes.data() + (byteOffset - slot.start);
    // Something in the piece failed: read this one window alone, so a bad
    // spot further on fails only the window that holds it.
    return readSingleWindow(byteOffset);
  }
}

}  // namespace salvonix
