#pragma once
// The main window: a side panel and the three pages. Closing it is a
// question for the controller; the window never closes by itself.

#include <QMainWindow>
#include <QStackedWidget>
#include <QToolButton>

#include "app/Pages.h"

namespace salvonix::gui {

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);

  QStackedWidget* tabView;
  DrivePage* drivePage;
  FileTypesPage* fileTypesPage;
  RecoveredFilesPage* recoveredFilesPage;
  QToolButton* recoverLabel;    // side panel, tag 0
  QToolButton* openScanLabel;   // side panel, tag 1
  QToolButton* helpButton;
  QToolButton* aboutButton;

  // The identifier of the page shown: "driveShow", "fileTypes" or "recoveredFiles".
  QString shownPage() const { return tabView->currentWidget()->objectName(); }
  void showPage(QWidget* page) { tabView->setCurrentWidget(page); }

 signals:
  void closeRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace salvonix::gui
