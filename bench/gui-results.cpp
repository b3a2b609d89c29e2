// How the results outline copes with a large scan, in one run.
//
//   gui-results
//
// Builds a results tree of 200,000 files (100,000 in "JPG Files", the rest in
// four other folders) the way the scanning engine fills it, shows it in a
// QTreeView without a display, and prints the time of each interaction:
// showing the page with the root expanded, expanding the 100,000-file folder,
// marking and unmarking the root and one file, and announcing 1,000 files a
// scan adds. Also prints the resident memory the model, the shown view and the
// expanded folder's rows add over the tree itself.

#include <unistd.h>

#include <QApplication>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

#include "browse/HdirTreeModel.h"
#include "support/ResultsTree.h"

using namespace salvonix;
using salvonix::gui::HdirTreeModel;

namespace {

constexpr int kFiles = 200'000;
constexpr int kJpgFiles = 100'000;

long residentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}


template <typename Action>
double millis(Action action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  QCoreApplication::processEvents();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void markRoot(HdirTreeModel& model, Qt::CheckState state) {
  model.setData(model.index(0, HdirTreeModel::MarkColumn), state, Qt::CheckStateRole);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ScanContext context;

  // Fonts, style and platform plugin load with the first view; keep them out of the figures.
  {
    test::ResultsTree small;
    small.file(small.folder("JPG Files", ".jpg"), 1000);
    HdirTreeModel model(context);
    model.setRoot(small.root);
    QTreeView view;
    view.setModel(&model);
    view.resize(900, 600);
    view.show();
    view.expandAll();
    QCoreApplication::processEvents();
  }

  test::ResultsTree tree;
  HDIR& jpg = tree.folder("JPG Files", ".jpg");
  for (int i = 0; i < kJpgFiles; ++i) tree.file(jpg, 1'500'000 + i);
  const char* others[][2] = {{"PNG Files", ".png"}, {"CR2 Files", ".cr2"}, {"MP3 Files", ".mp3"}, {"MOV Files", ".mov"}};
  for (int i = kJpgFiles; i < kFiles; ++i) {
    const auto& [name, extension] = others[i % 4];
    HDIR* folder = nullptr;
    for (const auto& child : tree.root->children)
      if (child->fileName == name) folder = child.get();
    tree.file(folder ? *folder : tree.folder(name, extension), 200'000 + i);
  }
  const long treeResident = residentBytes();

  HdirTreeModel model(context);
  QTreeView view;
  view.resize(900, 600);
  // As the results page sets it: every row has the same height, and without
  // it QTreeView measures every row between the one it updates and the top of
  // the viewport (a second for a folder scrolled to its middle).
  view.setUniformRowHeights(true);
  long modelResident = 0;
  const double show = millis([&] {
    model.setRoot(tree.root);
    modelResident = residentBytes();
    view.setModel(&model);
    view.show();
    view.expand(model.rootIndex());
  });
  const long shownResident = residentBytes();
  const double expand = millis([&] { view.expand(model.indexOf(&jpg)); });
  const long expandedResident = residentBytes();

  int changeSignals = 0;
  QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++changeSignals; });
  QObject::connect(&model, &QAbstractItemModel::layoutChanged, [&] { ++changeSignals; });
  const double mark = millis([&] { markRoot(model, Qt::Checked); });
  const int markSignals = changeSignals;
  const int markedFiles = model.markedFileCount();
  const uint64_t markedBytes = context.u64SelectedFileSize;
  const double unmark = millis([&] { markRoot(model, Qt::Unchecked); });
  // A file is clicked where the user sees it.
  const QModelIndex middleFile = model.indexOf(jpg.childAtIndex(kJpgFiles / 2)).siblingAtColumn(HdirTreeModel::MarkColumn);
  view.scrollTo(middleFile);
  QCoreApplication::processEvents();
  const double markFile = millis([&] { model.setData(middleFile, Qt::Checked, Qt::CheckStateRole); });
  const double unmarkFile = millis([&] { model.setData(middleFile, Qt::Unchecked, Qt::CheckStateRole); });

  {
    std::lock_guard lock(context.treeMutex);
    for (int i = 0; i < 1000; ++i) tree.file(jpg, 3'000'000);
  }
  const double refresh = millis([&] { model.refresh(); });

  std::printf("results tree: %d files in %zu folders, %d in \"%s\"\n", kFiles, tree.root->children.size(), kJpgFiles,
              jpg.fileName.c_str());
  std::printf("show results page (root expanded): %8.1f ms\n", show);
  std::printf("expand the %d-file folder:     %8.1f ms\n", kJpgFiles, expand);
  std::printf("mark the root:                     %8.1f ms  (%d change signals, %d files, %llu bytes)\n", mark,
              markSignals, markedFiles, static_cast<unsigned long long>(markedBytes));
  std::printf("unmark the root:                   %8.1f ms  (%d files marked after)\n", unmark,
              model.markedFileCount());
  std::printf("mark, unmark one file (scrolled to): %6.1f ms, %.1f ms\n", markFile, unmarkFile);
  std::printf("refresh with 1,000 new files:      %8.1f ms\n", refresh);
  const int nodes = kFiles + static_cast<int>(tree.root->children.size()) + 1;
  std::printf("resident memory over the tree: model %ld KiB (%.3f bytes per node), shown view +%ld KiB, "
              "expanded folder +%ld KiB\n",
              (modelResident - treeResident) / 1024, static_cast<double>(modelResident - treeResident) / nodes,
              (shownResident - modelResident) / 1024, (expandedResident - shownResident) / 1024);
  return 0;
}
