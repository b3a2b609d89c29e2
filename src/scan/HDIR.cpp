#include "scan/HDIR.h"

namespace salvonix {

namespace {
void countSelected(const HDIR& node, uint32_t& count) {
  for (const auto& child : node.children) {
    if (child->selected == 1) ++count;
    if (child->childrenCount > 0) countSelected(*child, count);
  }
}
}  // namespace

uint32_t HDIR::childrenSelected() const {
  uint32_t count = 0;
  if (childrenCount < 1) return 0;
  countSelected(*this, count);
  return count;
}

void CheckController::run() {
  if (!hdir_) return;
  if (flag_ == 1) mark();
  else if (flag_ == 0) unmark();
}

static bool isFileUnderTypeFolder(const HDIR& node) {
  return node.parent && node.parent->fileID != kRootFileID && node.parent->fileID != 0 &&
         node.fileID != kRootFileID;
}

void CheckController::mark() {
  HDIR& node = *hdir_;
  // A file already marked keeps its bytes counted once.
  if (isFileUnderTypeFolder(node) && node.selected != 1) selectedFileSize_ += node.fileSize;
  node.selected = 1;
  for (HDIR* up = node.parent; up; up = up->parent) up->selected = 1;
  if (node.childrenCount > 0) markSubtree(node);
}

void CheckController::markSubtree(HDIR& node) {
  for (const auto& child : node.children) {
    if (child->childrenCount == 0 && child->selected != 1) selectedFileSize_ += child->fileSize;
    child->selected = 1;
    if (child->childrenCount > 0) markSubtree(*child);
  }
}

void CheckController::unmark() {
  HDIR& node = *hdir_;
  const bool wasMarked = node.selected == 1;
  node.selected = 0;
  if (node.childrenCount > 0) unmarkSubtree(node);
  // A file that was not marked has nothing counted to take back.
  if (isFileUnderTypeFolder(node) && wasMarked) selectedFileSize_ -= node.fileSize;
  for (HDIR* up = node.parent; up; up = up->parent)
    if (up->childrenSelected() == 0) up->selected = 0;
  if (node.fileID == kRootFileID) selectedFileSize_ = 0;
}

void CheckController::unmarkSubtree(HDIR& node) {
  for (const auto& child : node.children) {
    if (child->childrenCount == 0 && child->selected == 1) selectedFileSize_ -= child->fileSize;
    child->selected = 0;
    if (child->childrenCount > 0) unmarkSubtree(*child);
  }
}

}  // namespace salvonix
