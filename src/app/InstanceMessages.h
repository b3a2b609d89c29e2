#pragma once
// Sorts the messages of later launches into the requests they stand for.

#include <QObject>
#include <QString>

namespace salvonix::gui {

class InstanceMessages : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 public slots:
  // kBringFrontMessage -> bringFront(), kAlreadyRunningMessage ->
  // alreadyRunning(), anything else -> openScanInfo() with it as the path.
  void dispatch(const QString& message);

 signals:
  void bringFront();
  void alreadyRunning();
  void openScanInfo(const QString& path);
};

}  // namespace salvonix::gui
