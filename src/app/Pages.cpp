#include "app/Pages.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/Icons.h"

namespace salvonix::gui {

namespace {

QLabel* heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 20.0 / 13.0);
  label->setFont(font);
  return label;
}

QLabel* explanation(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

QPushButton* button(const QString& text, const QString& icon, QWidget* parent) {
  auto* b = new QPushButton(actionIcon(icon), text, parent);
  b->setMinimumWidth(96);
  return b;
}

QLabel* value(QWidget* parent, const QString& text = {}) {
  auto* label = new QLabel(text, parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

void outlineDefaults(QTreeView* view) {
  view->setUniformRowHeights(true);
  view->setAlternatingRowColors(true);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->header()->setStretchLastSection(false);
}

}  // namespace

std::unique_ptr<QMessageBox> aboutPanel(QWidget* parent) {
  auto about = std::make_unique<QMessageBox>(parent);
  about->setWindowTitle(QObject::tr("About Salvonix"));
  about->setIconPixmap(applicationIcon().pixmap(64, 64));
  about->setText(QObject::tr("<b>Salvonix %1</b>").arg(QCoreApplication::applicationVersion()));
  about->setInformativeText(
      QObject::tr("Recovers lost photos, audio and video from memory cards, disks and disk images by reading the "
                  "device sector by sector and recognising 35 file types by their content. The device is only ever "
                  "read."));
  return about;
}

QString twoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

DrivePage::DrivePage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("driveShow"));
  driveTableView = new QTableView(this);
  driveTableView->setSelectionMode(QAbstractItemView::SingleSelection);
  driveTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
  driveTableView->verticalHeader()->hide();
  driveTableView->setShowGrid(false);
  driveTableView->setAlternatingRowColors(true);
  driveTableView->verticalHeader()->setDefaultSectionSize(52);
  driveTableView->setIconSize({32, 32});
  driveTableView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  descriptionTextField = explanation({}, this);
  accessHint = explanation({}, this);
  accessHint->setStyleSheet(QStringLiteral("color: #a04000;"));
  accessHint->hide();
  openImageButton = button(tr("Open disk image..."), QStringLiteral("image"), this);
  openImageButton->setToolTip(tr("Scan a disk image file (for instance a copy of a failing card) instead of a drive"));
  exitButton = button(tr("Exit"), QStringLiteral("exit"), this);
  nextButton = button(tr("Next"), QStringLiteral("next"), this);
  nextButton->setEnabled(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(openImageButton);
  buttons->addStretch();
  buttons->addWidget(exitButton);
  buttons->addWidget(nextButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading(QStringLiteral("Select drive to recover"), this));
  layout->addWidget(explanation(QStringLiteral("Select a disk from the list below, to recover lost photo, audio and "
                                               "video files. Click on Next button to proceed."),
                                this));
  layout->addWidget(driveTableView, 1);
  layout->addWidget(accessHint);
  layout->addWidget(descriptionTextField);
  layout->addLayout(buttons);
}

FileTypesPage::FileTypesPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("fileTypes"));
  fileTypeComboBox = new QComboBox(this);
  selectAll = new QCheckBox(tr("Deselect All"), this);
  numberOfFilesSelectedInFileTypeLabel = new QLabel(this);
  fileSelectionOutlineView = new QTreeView(this);
  outlineDefaults(fileSelectionOutlineView);
  fileTypeTableView = new QTableView(this);
  fileTypeTableView->verticalHeader()->hide();
  fileTypeTableView->setShowGrid(false);
  fileTypeTableView->setAlternatingRowColors(true);
  fileTypeTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
  fileTypeTableView->horizontalHeader()->setStretchLastSection(true);
  selectedImageFilesField = explanation({}, this);
  selectedAudioVideoFilesField = explanation({}, this);
  backButton = button(tr("Back"), QStringLiteral("back"), this);
  scannButton = button(tr("Scan"), QStringLiteral("scan"), this);

  auto* choice = new QHBoxLayout;
  choice->addWidget(new QLabel(tr("Show:"), this));
  choice->addWidget(fileTypeComboBox);
  choice->addSpacing(12);
  choice->addWidget(selectAll);
  choice->addStretch();
  choice->addWidget(numberOfFilesSelectedInFileTypeLabel);
  auto* splitter = new QSplitter(this);
  splitter->addWidget(fileTypeTableView);
  splitter->addWidget(fileSelectionOutlineView);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  auto* chosen = new QFormLayout;
  chosen->addRow(tr("Images:"), selectedImageFilesField);
  chosen->addRow(tr("Audio and video:"), selectedAudioVideoFilesField);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(backButton);
  buttons->addStretch();
  buttons->addWidget(scannButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading(QStringLiteral("Select file type"), this));
  layout->addWidget(explanation(QStringLiteral("Select the file types you wish to recover."), this));
  layout->addLayout(choice);
  layout->addWidget(splitter, 1);
  layout->addLayout(chosen);
  layout->addLayout(buttons);
}

RecoveredFilesPage::RecoveredFilesPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("recoveredFiles"));
  searchDriveField = value(this);
  driveSizeField = value(this);
  serialField = value(this);
  auto* drive = new QHBoxLayout;
  drive->addWidget(new QLabel(tr("Drive:"), this));
  drive->addWidget(searchDriveField);
  drive->addSpacing(16);
  drive->addWidget(new QLabel(tr("Size:"), this));
  drive->addWidget(driveSizeField);
  drive->addSpacing(16);
  drive->addWidget(new QLabel(tr("Serial:"), this));
  drive->addWidget(serialField);
  drive->addStretch();

  scanProgressBox = new QGroupBox(tr("Scanning"), this);
  progressBar = new QProgressBar(scanProgressBox);
  progressBar->setRange(0, 1000);
  progressBar->setTextVisible(false);
  percentageField = value(scanProgressBox, QStringLiteral("0 %"));
  filesFoundField = value(scanProgressBox, QStringLiteral("0"));
  hoursField = value(scanProgressBox, QStringLiteral("00"));
  minutesField = value(scanProgressBox, QStringLiteral("00"));
  secondsField = value(scanProgressBox, QStringLiteral("00"));
  pauseButton = button(tr("Pause"), QStringLiteral("pause"), scanProgressBox);
  pauseButton->setCheckable(true);
  stopButton = button(tr("Stop"), QStringLiteral("stop"), scanProgressBox);
  auto* clock = new QHBoxLayout;
  clock->setSpacing(2);
  clock->addWidget(hoursField);
  clock->addWidget(new QLabel(QStringLiteral(":"), scanProgressBox));
  clock->addWidget(minutesField);
  clock->addWidget(new QLabel(QStringLiteral(":"), scanProgressBox));
  clock->addWidget(secondsField);
  auto* scanRow = new QHBoxLayout(scanProgressBox);
  scanRow->addWidget(progressBar, 1);
  scanRow->addWidget(percentageField);
  scanRow->addSpacing(12);
  scanRow->addWidget(new QLabel(tr("Files found:"), scanProgressBox));
  scanRow->addWidget(filesFoundField);
  scanRow->addSpacing(12);
  scanRow->addWidget(new QLabel(tr("Elapsed:"), scanProgressBox));
  scanRow->addLayout(clock);
  scanRow->addSpacing(12);
  scanRow->addWidget(pauseButton);
  scanRow->addWidget(stopButton);

  outlineViewForRecoveredFiles = new QTreeView(this);
  outlineDefaults(outlineViewForRecoveredFiles);

  saveRecoveredFileBox = new QGroupBox(tr("Results"), this);
  totalNumberOfFile = value(saveRecoveredFileBox);
  totalFileSize = value(saveRecoveredFileBox);
  numberOfFileSelectedToSave = value(saveRecoveredFileBox, QStringLiteral("0"));
  selectedFileSizeToDisp = value(saveRecoveredFileBox, QStringLiteral("0.00 KB"));
  savedFileSize = value(saveRecoveredFileBox, QStringLiteral("Not Saved"));
  scanInfoStatusTextField = value(saveRecoveredFileBox, QStringLiteral("Not Saved"));
  selectAllRec = new QCheckBox(tr("Select all"), saveRecoveredFileBox);
  selectPreviousRow = button(tr("Previous"), QStringLiteral("previous"), saveRecoveredFileBox);
  selectNextRow = button(tr("Next"), QStringLiteral("nextrow"), saveRecoveredFileBox);
  viewButton = button(tr("View"), QStringLiteral("view"), saveRecoveredFileBox);
  viewButton->setEnabled(false);
  viewSelectedFilesButton = button(tr("Marked files..."), QStringLiteral("selected"), saveRecoveredFileBox);
  saveButton = button(tr("Save"), QStringLiteral("save"), saveRecoveredFileBox);
  saveScanInfoButton = button(tr("Save Scan Info"), QStringLiteral("save info"), saveRecoveredFileBox);
  homeButton = button(tr("Home"), QStringLiteral("home"), this);
  exitButtonInSave = button(tr("Exit"), QStringLiteral("exit"), this);

  auto* figures = new QFormLayout;
  figures->addRow(tr("Files found:"), totalNumberOfFile);
  figures->addRow(tr("Total size:"), totalFileSize);
  auto* marked = new QFormLayout;
  marked->addRow(tr("Files marked:"), numberOfFileSelectedToSave);
  marked->addRow(tr("Marked size:"), selectedFileSizeToDisp);
  auto* status = new QFormLayout;
  status->addRow(tr("Saved:"), savedFileSize);
  status->addRow(tr("Scan information:"), scanInfoStatusTextField);
  auto* saveGrid = new QVBoxLayout(saveRecoveredFileBox);
  auto* numbers = new QHBoxLayout;
  numbers->addLayout(figures);
  numbers->addSpacing(24);
  numbers->addLayout(marked);
  numbers->addSpacing(24);
  numbers->addLayout(status);
  numbers->addStretch();
  auto* actions = new QHBoxLayout;
  actions->addWidget(selectAllRec);
  actions->addWidget(selectPreviousRow);
  actions->addWidget(selectNextRow);
  actions->addWidget(viewButton);
  actions->addWidget(viewSelectedFilesButton);
  actions->addStretch();
  actions->addWidget(saveScanInfoButton);
  actions->addWidget(saveButton);
  saveGrid->addLayout(numbers);
  saveGrid->addLayout(actions);

  auto* leave = new QHBoxLayout;
  leave->addWidget(homeButton);
  leave->addStretch();
  leave->addWidget(exitButtonInSave);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(drive);
  layout->addWidget(scanProgressBox);
  layout->addWidget(outlineViewForRecoveredFiles, 1);
  layout->addWidget(saveRecoveredFileBox);
  layout->addLayout(leave);
}

SaveProgressWindow::SaveProgressWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Saving files"));
  setModal(true);
  destinationField = new QLabel(this);
  destinationField->setWordWrap(true);
  fileSavedField = value(this, QStringLiteral("0"));
  savedFileSize = value(this, QStringLiteral("0.00 KB"));
  progressBarOfSavePanel = new QProgressBar(this);
  progressBarOfSavePanel->setRange(0, 1000);
  elapsedField = value(this, QStringLiteral("00:00:00"));
  stopButtonInSave = button(tr("Stop"), QStringLiteral("stop"), this);
  auto* form = new QFormLayout;
  form->addRow(tr("Files saved:"), fileSavedField);
  form->addRow(tr("Bytes saved:"), savedFileSize);
  form->addRow(tr("Elapsed:"), elapsedField);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(destinationField);
  layout->addLayout(form);
  layout->addWidget(progressBarOfSavePanel);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(stopButtonInSave);
  layout->addLayout(buttons);
  setMinimumWidth(420);
}

BusyPanel::BusyPanel(QWidget* parent) : QDialog(parent) {
  setModal(true);
  titleField = heading({}, this);
  textField = new QLabel(this);
  auto* spinner = new QProgressBar(this);
  spinner->setRange(0, 0);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(titleField);
  layout->addWidget(textField);
  layout->addWidget(spinner);
  setMinimumWidth(360);
}

void BusyPanel::start(const QString& title, const QString& text) {
  setWindowTitle(title);
  titleField->setText(title);
  textField->setText(text);
  show();
}

SelectedFilesWindow::SelectedFilesWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Files marked to save"));
  selectedFilesTable = new QTreeWidget(this);
  selectedFilesTable->setRootIsDecorated(false);
  selectedFilesTable->setAlternatingRowColors(true);
  selectedFilesTable->header()->setStretchLastSection(false);
  selectedFilesTable->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  selectedFilesTable->setHeaderLabels({tr("File"), tr("Folder"), tr("Size"), tr("Start sector")});
  auto* close = new QPushButton(tr("Close"), this);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(selectedFilesTable);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  layout->addLayout(buttons);
  resize(560, 420);
}

}  // namespace salvonix::gui
