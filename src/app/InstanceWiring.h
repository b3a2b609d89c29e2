#pragma once
// Hands the requests of later launches to the controller of the running one.

namespace salvonix::gui {

class AppController;
class InstanceMessages;
class MYMessageServer;

void connectSingleInstance(MYMessageServer& server, InstanceMessages& messages, AppController& controller);

}  // namespace salvonix::gui
