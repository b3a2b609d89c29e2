// The file-type selection tree: its shape, and what marking leaves in the
// type-selection outline gives the scan.

#include <QTest>

#include "browse/HdirTreeModel.h"
#include "browse/TypeSelectionTree.h"

using namespace salvonix;
using namespace salvonix::gui;

namespace {

HDIR& leafNamed(const HDIR& root, const std::string& name) {
  for (const auto& group : root.children)
    for (const auto& leaf : group->children)
      if (leaf->fileName == name) return *leaf;
  qFatal("no leaf %s", name.c_str());
}

}  // namespace

class TypeSelectionTreeTest : public QObject {
  Q_OBJECT
 private slots:
  void treeHoldsTheTypesInTheirGroups();
  void markedLeavesGiveTheirFlagsAndNames();
};

void TypeSelectionTreeTest::treeHoldsTheTypesInTheirGroups() {
  const auto root = allFileTreeCreation();
  QCOMPARE(root->fileName, std::string("Files"));
  QCOMPARE(root->fileID, kRootFileID);
  QCOMPARE(root->parentID, 1u);
  QCOMPARE(root->childrenCount, 35);
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
    QCOMPARE(group.childrenCount, groups[g].leaves);
    QCOMPARE(int(group.fileCount), groups[g].leaves);
    QCOMPARE(group.children.front()->fileName, std::string(groups[g].first));
    QCOMPARE(group.children.back()->fileName, std::string(groups[g].last));
    for (const auto& leaf : group.children) {
      QCOMPARE(leaf->fileID, nextLeafID++);
      QCOMPARE(leaf->parentID, group.fileID);
      QCOMPARE(leaf->pathName, group.fileName + "/Files");
    }
  }
  QCOMPARE(leafNamed(*root, "3g2").fileCategory, 2);
  QCOMPARE(leafNamed(*root, "3gp").fileCategory, 3);
  QCOMPARE(leafNamed(*root, "Panasonic").fileCategory, 1);
}

void TypeSelectionTreeTest::markedLeavesGiveTheirFlagsAndNames() {
  const struct {
    std::vector<std::string> marked;
    std::vector<FileType> flags;
    const char* image;
    const char* audioVideo;
  } cases[] = {
      {{"Jpg"}, {FileType::Jpg}, "Jpg ", ""},
      {{"Aif"}, {FileType::Aif}, "", "Aif "},
      {{"Wav", "Png", "Panasonic", "3g2"}, {FileType::Png, FileType::RawPanasonic, FileType::ThreeGTwo, FileType::Wav},
       "Png Panasonic ", "3g2 Wav "},
  };
  for (const auto& c : cases) {
    ScanContext context;
    context.iNumberOfFileSelected = 7;
    const auto root = allFileTreeCreation();
    HdirTreeModel model(context);
    model.setOutline(HdirTreeModel::Outline::TypeSelection);
    model.setRoot(root);
    for (const auto& name : c.marked) {
      const QModelIndex leaf = model.indexOf(&leafNamed(*root, name));
      QVERIFY(model.setData(leaf.siblingAtColumn(HdirTreeModel::MarkColumn), Qt::Checked, Qt::CheckStateRole));
    }
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

QTEST_MAIN(TypeSelectionTreeTest)
#include "TypeSelectionTreeTest.moc"
