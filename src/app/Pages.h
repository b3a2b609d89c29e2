#pragma once
// The three pages of the main window and the windows around them. Each is a
// plain form: it lays out its widgets and leaves every behaviour to the
// controller, which reaches the widgets by these names.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>
#include <QTreeWidget>
#include <QWidget>
#include <memory>
#include <string_view>

namespace salvonix::gui {

// "driveShow"
class DrivePage : public QWidget {
  Q_OBJECT
 public:
  explicit DrivePage(QWidget* parent = nullptr);
  QTableView* driveTableView;
  QLabel* descriptionTextField;
  QLabel* accessHint;  // shown when drives cannot be read for lack of permission
  QPushButton* openImageButton;
  QPushButton* exitButton;
  QPushButton* nextButton;
};

// "fileTypes"
class FileTypesPage : public QWidget {
  Q_OBJECT
 public:
  explicit FileTypesPage(QWidget* parent = nullptr);
  QComboBox* fileTypeComboBox;
  QCheckBox* selectAll;
  QLabel* numberOfFilesSelectedInFileTypeLabel;
  QTreeView* fileSelectionOutlineView;
  QTableView* fileTypeTableView;
  QLabel* selectedImageFilesField;
  QLabel* selectedAudioVideoFilesField;
  QPushButton* backButton;
  QPushButton* scannButton;
};

// "recoveredFiles": the scan's progress, then the files found and saving.
class RecoveredFilesPage : public QWidget {
  Q_OBJECT
 public:
  explicit RecoveredFilesPage(QWidget* parent = nullptr);
  QLabel* searchDriveField;
  QLabel* driveSizeField;
  QLabel* serialField;

  QGroupBox* scanProgressBox;
  QProgressBar* progressBar;
  QLabel* percentageField;
  QLabel* filesFoundField;
  QLabel* hoursField;
  QLabel* minutesField;
  QLabel* secondsField;
  QPushButton* pauseButton;  // checkable: on while paused
  QPushButton* stopButton;

  QTreeView* outlineViewForRecoveredFiles;

  QGroupBox* saveRecoveredFileBox;
  QLabel* totalNumberOfFile;
  QLabel* totalFileSize;
  QLabel* numberOfFileSelectedToSave;
  QLabel* selectedFileSizeToDisp;
  QLabel* savedFileSize;
  QLabel* scanInfoStatusTextField;
  QCheckBox* selectAllRec;
  QPushButton* selectPreviousRow;
  QPushButton* selectNextRow;
  QPushButton* viewButton;
  QPushButton* viewSelectedFilesButton;
  QPushButton* saveButton;
  QPushButton* saveScanInfoButton;
  QPushButton* homeButton;
  QPushButton* exitButtonInSave;
};

// The progress of a saving run.
class SaveProgressWindow : public QDialog {
  Q_OBJECT
 public:
  explicit SaveProgressWindow(QWidget* parent = nullptr);
  QLabel* destinationField;
  QLabel* fileSavedField;
  QLabel* savedFileSize;
  QProgressBar* progressBarOfSavePanel;
  QLabel* elapsedField;
  QPushButton* stopButtonInSave;
};

// A panel with a title, a text and a busy indicator, for the scan information file.
class BusyPanel : public QDialog {
  Q_OBJECT
 public:
  explicit BusyPanel(QWidget* parent = nullptr);
  void start(const QString& title, const QString& text);
  QLabel* titleField;
  QLabel* textField;
};

// The files marked to save.
class SelectedFilesWindow : public QDialog {
  Q_OBJECT
 public:
  explicit SelectedFilesWindow(QWidget* parent = nullptr);
  QTreeWidget* selectedFilesTable;
};

// What the program is, with its version.
std::unique_ptr<QMessageBox> aboutPanel(QWidget* parent);

inline QString qstr(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// "00" style two-digit clock fields.
QString twoDigits(int value);

}  // namespace salvonix::gui
