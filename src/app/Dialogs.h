#pragma once
// Every alert and file dialog of the application goes through this
// interface, so that tests can answer them and read what was asked.

#include <QString>
#include <memory>

#include "scan/ScanObserver.h"

class QMessageBox;
class QWidget;

namespace salvonix::gui {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal alert: title, text and buttons (the first is the default).
  // Returns the index of the button chosen.
  virtual int alert(QWidget* parent, const Alert& alert) = 0;
  // Empty when the user cancels.
  virtual QString chooseFolder(QWidget* parent, const QString& title) = 0;
  virtual QString saveFileName(QWidget* parent, const QString& title, const QString& suggestedPath) = 0;
  virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
};

class QtDialogs : public Dialogs {
 public:
  int alert(QWidget* parent, const Alert& alert) override;
  QString chooseFolder(QWidget* parent, const QString& title) override;
  QString saveFileName(QWidget* parent, const QString& title, const QString& suggestedPath) override;
  QString openFileName(QWidget* parent, const QString& title, const QString& filter) override;
};

// The message box an alert is shown in.
std::unique_ptr<QMessageBox> alertBox(QWidget* parent, const Alert& alert);

// Answers of a question, by the index of its buttons {"Yes", "Cancel", "No"} or {"Yes", "No"}.
inline constexpr int kYes = 0;

}  // namespace salvonix::gui
