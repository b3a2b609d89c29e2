#include "app/InstanceMessages.h"

#include "app/InstanceProtocol.h"

namespace salvonix::gui {

void InstanceMessages::dispatch(const QString& message) {
  if (message == QLatin1String(kBringFrontMessage)) {
    emit bringFront();
  } else if (message == QLatin1String(kAlreadyRunningMessage)) {
    emit alreadyRunning();
  } else {
    emit openScanInfo(message);
  }
}

}  // namespace salvonix::gui
