#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/Icons.h"

namespace salvonix::gui {

namespace {
QToolButton* panelButton(const QString& text, const QIcon& icon, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setIcon(icon);
  button->setIconSize({32, 32});
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setMinimumWidth(104);
  return button;
}
}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Salvonix"));
  setWindowIcon(applicationIcon());

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("sidePanel"));
  panel->setStyleSheet(QStringLiteral("#sidePanel { background: #1f3b57; } QToolButton { color: white; }"));
  recoverLabel = panelButton(tr("Recover"), cardIcon(), panel);
  openScanLabel = panelButton(tr("Open Scan Info"), scanInfoIcon(), panel);
  helpButton = panelButton(tr("Help"), actionIcon(QStringLiteral("help")), panel);
  aboutButton = panelButton(tr("About"), actionIcon(QStringLiteral("about")), panel);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->addWidget(recoverLabel);
  panelLayout->addWidget(openScanLabel);
  panelLayout->addStretch();
  panelLayout->addWidget(helpButton);
  panelLayout->addWidget(aboutButton);

  tabView = new QStackedWidget(this);
  drivePage = new DrivePage(tabView);
  fileTypesPage = new FileTypesPage(tabView);
  recoveredFilesPage = new RecoveredFilesPage(tabView);
  tabView->addWidget(drivePage);
  tabView->addWidget(fileTypesPage);
  tabView->addWidget(recoveredFilesPage);

  auto* central = new QWidget(this);
  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(panel);
  layout->addWidget(tabView, 1);
  setCentralWidget(central);
  resize(1040, 700);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  emit closeRequested();
}

}  // namespace salvonix::gui
