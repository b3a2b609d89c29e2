// Sleep prevention against a private D-Bus daemon running python-dbusmock's
// logind template: the inhibitor is taken, held and released, and a missing
// bus or logind is a quiet "no".

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <fstream>
#include <optional>
#include <thread>
#include <tuple>

#include "power/Sleep.h"
#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kDaemon = "/usr/bin/dbus-daemon";
constexpr const char* kPython = "/usr/bin/python3";

bool fakeLogindAvailable() {
  return commandSucceeds(std::string("test -x ") + kDaemon) &&
         commandSucceeds(std::string(kPython) + " -c 'import dbusmock, gi'");
}

// A client connection of our own, to ask the bus and the fake logind.
class BusClient {
 public:
  explicit BusClient(const std::string& address) {
    if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address.c_str()) < 0 ||
        sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0) {
      bus_ = sd_bus_flush_close_unref(bus_);
    }
  }
  ~BusClient() { sd_bus_flush_close_unref(bus_); }
  BusClient(const BusClient&) = delete;
  BusClient& operator=(const BusClient&) = delete;

  bool nameHasOwner(const char* name) {
    int owned = 0;
    sd_bus_message* reply = nullptr;
    if (bus_ && sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                   "NameHasOwner", nullptr, &reply, "s", name) >= 0)
      sd_bus_message_read(reply, "b", &owned);
    sd_bus_message_unref(reply);
    return owned != 0;
  }

  // Replaces a method of the fake logind (python-dbusmock's AddMethod).
  bool replaceLogindMethod(const char* name, const char* in, const char* out, const char* code) {
    return bus_ && sd_bus_call_method(bus_, "org.freedesktop.login1", "/org/freedesktop/login1",
                                      "org.freedesktop.DBus.Mock", "AddMethod", nullptr, nullptr, "sssss",
                                      "org.freedesktop.login1.Manager", name, in, out, code) >= 0;
  }

  using Inhibitor = std::tuple<std::string, std::string, std::string, std::string>;  // what, who, why, mode
  std::optional<std::vector<Inhibitor>> listInhibitors() {
    sd_bus_message* reply = nullptr;
    if (!bus_ || sd_bus_call_method(bus_, "org.freedesktop.login1", "/org/freedesktop/login1",
                                    "org.freedesktop.login1.Manager", "ListInhibitors", nullptr, &reply, "") < 0)
      return std::nullopt;
    std::vector<Inhibitor> inhibitors;
    const char *what, *who, *why, *mode;
    uint32_t uid, pid;
    sd_bus_message_enter_container(reply, 'a', "(ssssuu)");
    while (sd_bus_message_read(reply, "(ssssuu)", &what, &who, &why, &mode, &uid, &pid) > 0)
      inhibitors.emplace_back(what, who, why, mode);
    sd_bus_message_unref(reply);
    return inhibitors;
  }

  // Logind drops an inhibitor when every copy of its descriptor is closed; it notices asynchronously.
  bool waitForInhibitorCount(std::size_t count) {
    for (auto deadline = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < deadline;) {
      const auto inhibitors = listInhibitors();
      if (inhibitors && inhibitors->size() == count) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

 private:
  sd_bus* bus_ = nullptr;
};

// A dbus-daemon of our own, listening on a socket in a temporary folder.
class PrivateBus {
 public:
  explicit PrivateBus(const TempDir& dir) : dir_(dir) {
    const std::string config = dir.file("bus.conf");
    std::ofstream(config) << R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:path=)" << dir.file("bus") << R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";
    daemon_.emplace(std::vector<std::string>{kDaemon, "--config-file=" + config, "--nofork", "--print-address=1"},
                    dir.file("bus.out"), dir.file("bus.err"));
    if (waitForText(dir.file("bus.out"), "\n", 10s)) {
      address_ = readText(dir.file("bus.out"));
      address_.resize(address_.find('\n'));
    }
  }

  const std::string& address() const { return address_; }

  // Starts the fake logind and waits until it owns its name on this bus.
  bool startLogind() {
    logind_.emplace(std::vector<std::string>{kPython, "-m", "dbusmock", "--system", "--template", "logind"},
                    dir_.file("logind.out"), dir_.file("logind.err"),
                    std::vector<std::string>{"DBUS_SYSTEM_BUS_ADDRESS=" + address_});
    BusClient client(address_);
    for (auto deadline = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < deadline;) {
      if (client.nameHasOwner("org.freedesktop.login1")) return true;
      if (logind_->wait(50ms)) break;  // it died
    }
    return false;
  }
  std::string logindLog() const { return readText(dir_.file("logind.err")); }

 private:
  const TempDir& dir_;
  std::string address_;
  // Members are destroyed in reverse order: logind stops before its bus.
  std::optional<ChildProcess> daemon_;
  std::optional<ChildProcess> logind_;
};

// Notes, at the moment the scan begins, whether the machine is being kept awake.
class AwakeRecorder : public RecordingObserver {
 public:
  AwakeRecorder(Sleep& sleep, BusClient& client) : RecordingObserver({FileType::Jpg}), sleep_(sleep), client_(client) {}
  void reconstructAfterRescan() override {
    heldAtStart = sleep_.isPreventingSleep();
    const auto inhibitors = client_.listInhibitors();
    inhibitorsAtStart = inhibitors ? inhibitors->size() : 0;
  }
  bool heldAtStart = false;
  std::size_t inhibitorsAtStart = 0;

 private:
  Sleep& sleep_;
  BusClient& client_;
};

TEST(SleepTest, HoldsTheLogindInhibitorUntilStopped) {
  if (!fakeLogindAvailable()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
  TempDir dir;
  PrivateBus bus(dir);
  ASSERT_FALSE(bus.address().empty()) << readText(dir.file("bus.err"));
  ASSERT_TRUE(bus.startLogind()) << bus.logindLog();
  BusClient client(bus.address());
  ASSERT_TRUE(client.waitForInhibitorCount(0));

  {
    Sleep sleep(bus.address());
    EXPECT_FALSE(sleep.isPreventingSleep());
    ASSERT_TRUE(sleep.startPreventingSleep()) << bus.logindLog();
    EXPECT_TRUE(sleep.isPreventingSleep());
    const auto inhibitors = client.listInhibitors();
    ASSERT_TRUE(inhibitors);
    ASSERT_EQ(inhibitors->size(), 1u);
    EXPECT_EQ(std::get<0>(inhibitors->front()), "sleep:idle");
    EXPECT_EQ(std::get<3>(inhibitors->front()), "block");

    // Asking again while holding it takes no second lock.
    EXPECT_TRUE(sleep.startPreventingSleep());
    EXPECT_EQ(client.listInhibitors()->size(), 1u);

    sleep.stopPreventingSleep();
    EXPECT_FALSE(sleep.isPreventingSleep());
    EXPECT_TRUE(client.waitForInhibitorCount(0)) << "a copy of the inhibitor descriptor is still open";
    sleep.stopPreventingSleep();

    // It can be taken again, and the destructor lets it go.
    ASSERT_TRUE(sleep.startPreventingSleep());
    EXPECT_TRUE(client.waitForInhibitorCount(1));
  }
  EXPECT_TRUE(client.waitForInhibitorCount(0));
}

TEST(SleepTest, TheScanningEngineHoldsItForTheWholeScan) {
  if (!fakeLogindAvailable()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
  TempDir dir;
  PrivateBus bus(dir);
  ASSERT_FALSE(bus.address().empty()) << readText(dir.file("bus.err"));
  ASSERT_TRUE(bus.startLogind()) << bus.logindLog();
  BusClient client(bus.address());
  TestImage image(dir.file("disk.img"), 1 << 20);

  Sleep sleep(bus.address());
  ScanContext context;
  context.selectedDriveMountPoint = image.path();
  context.u32BytesInSector = 512;
  context.u64DriveSectorNumber = (1 << 20) / 512;
  AwakeRecorder observer(sleep, client);
  Scanning engine(context, observer, &sleep);
  engine.scanningThread();

  EXPECT_TRUE(observer.heldAtStart);
  EXPECT_EQ(observer.inhibitorsAtStart, 1u);
  EXPECT_FALSE(sleep.isPreventingSleep());
  EXPECT_TRUE(client.waitForInhibitorCount(0));
}

TEST(SleepTest, ARefusalByLogindIsANo) {
  if (!fakeLogindAvailable()) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
  TempDir dir;
  PrivateBus bus(dir);
  ASSERT_FALSE(bus.address().empty()) << readText(dir.file("bus.err"));
  ASSERT_TRUE(bus.startLogind()) << bus.logindLog();
  BusClient client(bus.address());
  // An error reply without a message text.
  ASSERT_TRUE(client.replaceLogindMethod("Inhibit", "ssss", "h",
                                         "raise dbus.exceptions.DBusException(name='org.example.Refused')"));

  Sleep sleep(bus.address());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(sleep.startPreventingSleep());
  const std::string warning = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(sleep.isPreventingSleep());
  EXPECT_NE(warning.find("org.example.Refused"), std::string::npos) << warning;
}

TEST(SleepTest, WithoutBusOrLogindItSaysNoOnceAndCarriesOn) {
  TempDir dir;
  {
    Sleep sleep("unix:path=" + dir.file("no-such-socket"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sleep.startPreventingSleep());
    EXPECT_FALSE(sleep.startPreventingSleep());
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(sleep.isPreventingSleep());
    sleep.stopPreventingSleep();
    EXPECT_NE(warnings.find("cannot keep the machine awake"), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find("cannot keep the machine awake"), warnings.rfind("cannot keep the machine awake"))
        << "warned more than once: " << warnings;
  }
  {
    Sleep sleep("not a bus address");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sleep.startPreventingSleep());
    testing::internal::GetCapturedStderr();
  }

  if (!commandSucceeds(std::string("test -x ") + kDaemon)) GTEST_SKIP() << "dbus-daemon is not installed";
  PrivateBus bus(dir);  // a bus with nobody answering for logind
  ASSERT_FALSE(bus.address().empty()) << readText(dir.file("bus.err"));
  Sleep sleep(bus.address());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(sleep.startPreventingSleep());
  const std::string warning = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(sleep.isPreventingSleep());
  EXPECT_NE(warning.find("login1"), std::string::npos) << warning;
}

}  // namespace
}  // namespace salvonix::test
