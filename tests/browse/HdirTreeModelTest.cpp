// The outline model over a results tree (columns, marking, rows arriving during a scan)
// and over the file-type selection tree: its shape, and what marking its leaves gives the scan.

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <mutex>
#include <thread>

#include "browse/HdirTreeModel.h"
#include "browse/TypeSelectionTree.h"
#include "support/ResultsTree.h"

using namespace salvonix;
using namespace salvonix::gui;

namespace {

QModelIndex cell(const HdirTreeModel& model, const HDIR& node, int column) {
  return model.indexOf(&node).siblingAtColumn(column);
}

QString text(const HdirTreeModel& model, const HDIR& node, int column) {
  return cell(model, node, column).data().toString();
}

Qt::CheckState mark(const HdirTreeModel& model, const HDIR& node) {
  return cell(model, node, HdirTreeModel::MarkColumn).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

void click(HdirTreeModel& model, const HDIR& node, Qt::CheckState state) {
  QVERIFY(model.setData(cell(model, node, HdirTreeModel::MarkColumn), state, Qt::CheckStateRole));
}

HDIR& leafNamed(const HDIR& root, const std::string& name) {
  for (const auto& group : root.children)
    for (const auto& leaf : group->children)
      if (leaf->fileName == name) return *leaf;
  qFatal("no leaf %s", name.c_str());
}

}  // namespace

class HdirTreeModelTest : public QObject {
  Q_OBJECT
 private slots:
  void columnsShowTheNodes() {
    ScanContext context;
    test::ResultsTree t;
    HdirTreeModel model(context);
    model.setRoot(t.root);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(text(model, *t.root, HdirTreeModel::CountColumn), QString("0"));
    QCOMPARE(mark(model, *t.root), Qt::Unchecked);
    QVERIFY(!model.allMarked());

    HDIR& jpg = t.folder("JPG Files", ".jpg");
    HDIR& first = t.file(jpg, 300);
    t.file(jpg, 2'000'000);
    model.setRoot(t.root);
    const struct {
      const HDIR* node;
      int column;
      const char* shown;
    } cells[] = {
        {t.root.get(), HdirTreeModel::FilesColumn, "ROOT"},   {t.root.get(), HdirTreeModel::CountColumn, "2"},
        {&jpg, HdirTreeModel::FilesColumn, "JPG Files"},      {&jpg, HdirTreeModel::SizeColumn, "1.91 MB"},
        {&first, HdirTreeModel::FilesColumn, "file1.jpg"},    {&first, HdirTreeModel::SizeColumn, "0.29 KB"},
        {&first, HdirTreeModel::CountColumn, ""},
    };
    for (const auto& cell : cells) QCOMPARE(text(model, *cell.node, cell.column), QString(cell.shown));
    QVERIFY(model.flags(model.index(0, HdirTreeModel::MarkColumn)) & Qt::ItemIsUserCheckable);
  }

  void markingKeepsStatesAndCounters() {
    ScanContext context;
    test::ResultsTree t;
    HDIR& jpg = t.folder("JPG Files", ".jpg");
    HDIR& a = t.file(jpg, 100);
    HDIR& b = t.file(jpg, 200);
    t.file(jpg, 400);
    HDIR& wav = t.folder("WAV Files", ".wav");
    HDIR& w = t.file(wav, 1000);
    HdirTreeModel model(context);
    model.setRoot(t.root);
    QSignalSpy markings(&model, &HdirTreeModel::markingChanged);

    const struct {
      const HDIR* node;
      Qt::CheckState click;
      Qt::CheckState jpgShows, rootShows;
      int marked;
      uint64_t bytes;
      bool allMarked;
    } steps[] = {
        {&a, Qt::Checked, Qt::PartiallyChecked, Qt::PartiallyChecked, 1, 100, false},
        // A click on a mixed box marks the whole folder.
        {&jpg, Qt::PartiallyChecked, Qt::Checked, Qt::PartiallyChecked, 3, 700, false},
        {&w, Qt::Checked, Qt::Checked, Qt::Checked, 4, 1700, true},
        {&b, Qt::Unchecked, Qt::PartiallyChecked, Qt::PartiallyChecked, 3, 1500, false},
        {&jpg, Qt::Unchecked, Qt::Unchecked, Qt::PartiallyChecked, 1, 1000, false},
        {&w, Qt::Unchecked, Qt::Unchecked, Qt::Unchecked, 0, 0, false},
    };
    for (const auto& step : steps) {
      click(model, *step.node, step.click);
      QCOMPARE(mark(model, jpg), step.jpgShows);
      QCOMPARE(mark(model, *t.root), step.rootShows);
      QCOMPARE(model.markedFileCount(), step.marked);
      QCOMPARE(context.iNumberOfFileSelected.load(), step.marked);
      QCOMPARE(context.u64SelectedFileSize.load(), step.bytes);
      QCOMPARE(model.allMarked(), step.allMarked);
    }
    QCOMPARE(markings.count(), int(std::size(steps)));
  }

  void markingTellsViewsOnceNotPerFile() {
    ScanContext context;
    test::ResultsTree t;
    for (const char* name : {"JPG Files", "PNG Files"}) {
      HDIR& folder = t.folder(name, ".x");
      for (int i = 0; i < 50; ++i) t.file(folder, 10);
    }
    HdirTreeModel model(context);
    model.setRoot(t.root);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
    model.selectAll(true);
    QCOMPARE(layouts.count(), 1);
    QCOMPARE(changes.count(), 1);
    for (const auto& folder : t.root->children)
      for (const auto& file : folder->children) QCOMPARE(mark(model, *file), Qt::Checked);
    // A file has no rows below it: its own box and its ancestors' change.
    click(model, *t.root->children[1]->children[7], Qt::Unchecked);
    QCOMPARE(layouts.count(), 1);
    QCOMPARE(changes.count(), 4);
    QCOMPARE(changes.last()[0].toModelIndex(), model.index(0, HdirTreeModel::MarkColumn));
  }

  void rowsArriveWhileTheScanAppends() {
    ScanContext context;
    test::ResultsTree t;
    HdirTreeModel model(context);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QTreeView view;
    view.setModel(&model);
    model.setRoot(t.root);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    // Files spread over folders that appear one after another, like a scan's finds.
    constexpr int kFiles = 3000;
    std::atomic<bool> done{false};
    std::thread engine([&] {
      HDIR* folders[3] = {};
      for (int i = 0; i < kFiles; ++i) {
        {
          std::lock_guard lock(context.treeMutex);
          const int which = i < 100 ? 0 : i % 3;
          if (!folders[which]) folders[which] = &t.folder("Folder " + std::to_string(which), ".f");
          t.file(*folders[which], 1000 + i);
        }
        if (i % 20 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      done = true;
    });
    while (!done) {
      model.refresh();
      view.expandAll();
      for (int folder = 0; folder < model.rowCount(model.rootIndex()); ++folder) {
        const QModelIndex parent = model.index(folder, 0, model.rootIndex());
        for (int row = 0; row < model.rowCount(parent); ++row)
          QVERIFY(!model.index(row, HdirTreeModel::SizeColumn, parent).data().toString().isEmpty());
      }
      QCoreApplication::processEvents();
    }
    engine.join();
    model.refresh();
    QCOMPARE(model.rowCount(model.rootIndex()), 3);
    int shown = 0;
    for (int folder = 0; folder < 3; ++folder) shown += model.rowCount(model.index(folder, 0, model.rootIndex()));
    QCOMPARE(shown, kFiles);

    // Rows the scan adds stay hidden until refresh announces them.
    HDIR& folder = *t.root->children.front();
    const QModelIndex parent = model.indexOf(&folder);
    const int before = model.rowCount(parent);
    HDIR* added = nullptr;
    {
      std::lock_guard lock(context.treeMutex);
      added = &t.file(folder, 5);
    }
    QCOMPARE(model.rowCount(parent), before);
    QVERIFY(!model.indexOf(added).isValid());
    model.refresh();
    QCOMPARE(model.rowCount(parent), before + 1);
    QCOMPARE(model.indexOf(added).row(), before);
  }

  void treeHoldsTheTypesInTheirGroups() {
    const auto root = allFileTreeCreation();
    QCOMPARE(root->fileName, std::string("Files"));
    QCOMPARE(root->fileCount, 35u);
    const struct {
      const char* name;
      uint32_t id;
      int leaves;
      const char* first;
      const char* last;
    } groups[] = {{"Image", 3, 22, "Arw", "X3f"}, {"Audio Video", 4, 13, "Aif", "Wav"}};
    uint32_t nextLeafID = 5;
    for (std::size_t g = 0; g < 2; ++g) {
      const HDIR& group = *root->children[g];
      QCOMPARE(group.fileName, std::string(groups[g].name));
      QCOMPARE(group.fileID, groups[g].id);
      QCOMPARE(int(group.children.size()), groups[g].leaves);
      QCOMPARE(group.children.front()->fileName, std::string(groups[g].first));
      QCOMPARE(group.children.back()->fileName, std::string(groups[g].last));
      for (const auto& leaf : group.children) QCOMPARE(leaf->fileID, nextLeafID++);  // the scan's flags go by these
    }
    QCOMPARE(leafNamed(*root, "3g2").fileCategory, 2);
    QCOMPARE(leafNamed(*root, "3gp").fileCategory, 3);
    QCOMPARE(leafNamed(*root, "Panasonic").fileCategory, 1);
  }

  void markedLeavesGiveTheirFlagsAndNames() {
    using enum FileType;
    const struct {
      std::vector<std::string> marked;
      std::vector<FileType> flags;
      const char* image;
      const char* audioVideo;
    } cases[] = {
        {{"Jpg"}, {Jpg}, "Jpg ", ""},
        {{"Aif"}, {Aif}, "", "Aif "},
        {{"Wav", "Png", "Panasonic", "3g2"}, {Png, RawPanasonic, ThreeGTwo, Wav}, "Png Panasonic ", "3g2 Wav "},
    };
    for (const auto& c : cases) {
      ScanContext context;
      context.iNumberOfFileSelected = 7;
      const auto root = allFileTreeCreation();
      HdirTreeModel model(context);
      model.setOutline(HdirTreeModel::Outline::TypeSelection);
      model.setRoot(root);
      for (const auto& name : c.marked) click(model, leafNamed(*root, name), Qt::Checked);
      TypeSet expected{};
      for (FileType type : c.flags) expected[rowIndex(type)] = true;
      QVERIFY(fileSelectionFlags(*root) == expected);
      const auto names = createSelectedString(*root);
      QCOMPARE(names.image, std::string(c.image));
      QCOMPARE(names.audioVideo, std::string(c.audioVideo));
      QCOMPARE(model.markedFileCount(), int(c.marked.size()));
      // The results' counters belong to the results outline.
      QCOMPARE(context.iNumberOfFileSelected.load(), 7);
    }
  }
};

QTEST_MAIN(HdirTreeModelTest)
#include "HdirTreeModelTest.moc"
