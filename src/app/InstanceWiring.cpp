#include "app/InstanceWiring.h"

#include "app/AppController.h"
#include "app/InstanceMessages.h"
#include "app/MessageServer.h"

namespace salvonix::gui {

void connectSingleInstance(MYMessageServer& server, InstanceMessages& messages, AppController& controller) {
  QObject::connect(&server, &MYMessageServer::broadcastMessageString, &messages, &InstanceMessages::dispatch);
  QObject::connect(&messages, &InstanceMessages::bringFront, &controller, &AppController::bringMainWindowToFront);
  QObject::connect(&messages, &InstanceMessages::alreadyRunning, &controller,
                   &AppController::displayAlreadyRunningPanel);
  QObject::connect(&messages, &InstanceMessages::openScanInfo, &controller, [&controller](const QString& path) {
    controller.bringMainWindowToFront();
    controller.openScanInfo(path);
  });
}

}  // namespace salvonix::gui
