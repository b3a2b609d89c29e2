#include "app/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace salvonix::gui {

namespace {
constexpr const char* kAnswer = "answer";

QMessageBox::ButtonRole roleOf(const std::string& button) {
  if (button == "No") return QMessageBox::NoRole;
  if (button == "Cancel") return QMessageBox::RejectRole;
  return QMessageBox::AcceptRole;
}
}  // namespace

std::unique_ptr<QMessageBox> alertBox(QWidget* parent, const Alert& alert) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(QStringLiteral("Salvonix"));
  box->setText(QString::fromStdString(alert.title));
  box->setInformativeText(QString::fromStdString(alert.text));
  const bool question = std::count_if(alert.buttons.begin(), alert.buttons.end(), [](auto& b) { return !b.empty(); }) > 1;
  box->setIcon(question ? QMessageBox::Question : QMessageBox::Information);
  // The box orders its buttons by role; each keeps the index of its answer.
  QPushButton* first = nullptr;
  for (std::size_t i = 0; i < alert.buttons.size(); ++i) {
    if (alert.buttons[i].empty()) continue;
    QPushButton* button = box->addButton(QString::fromStdString(alert.buttons[i]), roleOf(alert.buttons[i]));
    button->setProperty(kAnswer, static_cast<int>(i));
    if (!first) first = button;
  }
  if (!first) {
    first = box->addButton(QMessageBox::Ok);
    first->setProperty(kAnswer, 0);
  }
  box->setDefaultButton(first);
  return box;
}

int QtDialogs::alert(QWidget* parent, const Alert& alert) {
  const auto box = alertBox(parent, alert);
  box->exec();
  if (box->clickedButton()) return box->clickedButton()->property(kAnswer).toInt();
  // Closed otherwise: Cancel where the alert has it, else its last answer.
  const auto cancel = std::find(alert.buttons.begin(), alert.buttons.end(), "Cancel");
  if (cancel != alert.buttons.end()) return static_cast<int>(cancel - alert.buttons.begin());
  return alert.buttons.empty() ? 0 : static_cast<int>(alert.buttons.size()) - 1;
}

QString QtDialogs::chooseFolder(QWidget* parent, const QString& title) {
  return QFileDialog::getExistingDirectory(parent, title, QDir::homePath());
}

QString QtDialogs::saveFileName(QWidget* parent, const QString& title, const QString& suggestedPath) {
  return QFileDialog::getSaveFileName(parent, title, suggestedPath, QStringLiteral("Scan information (*.qsn)"));
}

QString QtDialogs::openFileName(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, QDir::homePath(), filter);
}

}  // namespace salvonix::gui
