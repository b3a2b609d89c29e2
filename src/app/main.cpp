// salvonix-gui [FILE.qsn]: the desktop application. A second launch hands
// its request (come to the front, or open the file) to the running one.

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include "app/AppController.h"
#include "app/Dialogs.h"
#include "app/InstanceMessages.h"
#include "app/InstanceWiring.h"
#include "app/MainWindow.h"
#include "app/MessageServer.h"
#include "app/RunningInstance.h"
#include "drives/DriveFinder.h"
#include "drives/UdevEventSource.h"

int main(int argc, char** argv) {
  using namespace salvonix;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Salvonix"));
  QApplication::setApplicationVersion(QStringLiteral(SALVONIX_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("salvonix-gui"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Recovers lost photos, audio and video from a drive or disk image."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption image(QStringLiteral("image"),
                                 QStringLiteral("Offer a disk image file as a drive to scan, chosen."),
                                 QStringLiteral("FILE"));
  parser.addOption(image);
  parser.addPositionalArgument(QStringLiteral("FILE.qsn"), QStringLiteral("A scan information file to open."),
                               QStringLiteral("[FILE.qsn]"));
  parser.process(app);
  const QString file = parser.positionalArguments().value(0);

  if (gui::handOverToRunningInstance(gui::handOverMessage(file), 3000)) return 0;

  gui::QtDialogs dialogs;
  SystemDriveFinder drives;
  UdevEventSource events;
  gui::AppController controller(dialogs, drives.finder(), events.valid() ? &events : nullptr);
  QObject::connect(&controller, &gui::AppController::quitRequested, &app, &QApplication::quit);
  gui::MYMessageServer server;
  gui::InstanceMessages messages;
  gui::connectSingleInstance(server, messages, controller);
  server.serverMain();

  controller.window().show();
  if (parser.isSet(image)) controller.openDiskImage(parser.value(image));
  if (!file.isEmpty()) controller.openScanInfo(QFileInfo(file).absoluteFilePath());
  return app.exec();
}
