// Sleep prevention against a private dbus-daemon running python3-dbusmock's
// logind template; without a bus or logind it is a "no" that says why.

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <thread>

#include "power/Sleep.h"
#include "support/ChildProcess.h"
#include "support/TestImage.h"

namespace salvonix::test {
namespace {

using namespace std::chrono_literals;

struct FakeLogindTest : testing::Test {
  void SetUp() override {
    if (!commandSucceeds("test -x /usr/bin/dbus-daemon && test -x /usr/bin/dbus-send && "
                         "/usr/bin/python3 -c 'import dbusmock, gi'"))
      GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
    daemon_.emplace(std::vector<std::string>{"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1",
                                             "--address=" + address_},
                    dir_.file("bus.out"), dir_.file("bus.err"));
    ASSERT_TRUE(waitForText(dir_.file("bus.out"), address_, 10s)) << readText(dir_.file("bus.err"));
  }

  // Starts the fake logind and waits until it answers.
  bool startLogind() {
    logind_.emplace(std::vector<std::string>{"/usr/bin/env", "DBUS_SYSTEM_BUS_ADDRESS=" + address_, "/usr/bin/python3",
                                             "-m", "dbusmock", "--system", "--template", "logind"},
                    dir_.file("logind.out"), dir_.file("logind.err"));
    return waitForInhibitors("");
  }
  std::string logindLog() const { return readText(dir_.file("logind.err")); }

  RunResult callLogind(const std::string& method, const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> argv = {"/usr/bin/dbus-send", "--bus=" + address_, "--print-reply",
                                     "--dest=org.freedesktop.login1", "/org/freedesktop/login1", method};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProgram(argv, dir_.path());
  }

  // "what/mode " of every inhibitor, or "no answer".
  std::string inhibitors() {
    const RunResult reply = callLogind("org.freedesktop.login1.Manager.ListInhibitors");
    if (reply.status.code != 0) return "no answer";
    const std::regex inhibitor(R"re(struct \{\s*string "(.*)"\s*string ".*"\s*string ".*"\s*string "(.*)")re");
    std::string result;
    for (std::sregex_iterator it(reply.out.begin(), reply.out.end(), inhibitor), end; it != end; ++it)
      result += (*it)[1].str() + "/" + (*it)[2].str() + " ";
    return result;
  }

  // Logind notices asynchronously that every copy of an inhibitor's descriptor is closed.
  bool waitForInhibitors(const std::string& expected) {
    for (auto deadline = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(20ms))
      if (inhibitors() == expected) return true;
    return false;
  }

  TempDir dir_;
  const std::string address_ = "unix:path=" + dir_.file("bus");
  std::optional<ChildProcess> daemon_;
  std::optional<ChildProcess> logind_;  // destroyed first, before its bus
};

TEST_F(FakeLogindTest, HoldsTheInhibitorUntilStoppedAndForTheWholeScan) {
  ASSERT_TRUE(startLogind()) << logindLog();
  {
    Sleep sleep(address_);
    ASSERT_TRUE(sleep.startPreventingSleep()) << logindLog();
    EXPECT_TRUE(sleep.isPreventingSleep());
    EXPECT_EQ(inhibitors(), "sleep:idle/block ");
    EXPECT_TRUE(sleep.startPreventingSleep());  // no second lock while holding one
    EXPECT_EQ(inhibitors(), "sleep:idle/block ");

    sleep.stopPreventingSleep();
    EXPECT_FALSE(sleep.isPreventingSleep());
    EXPECT_TRUE(waitForInhibitors("")) << "a copy of the inhibitor descriptor is still open";
    ASSERT_TRUE(sleep.startPreventingSleep());
    EXPECT_TRUE(waitForInhibitors("sleep:idle/block "));
  }
  EXPECT_TRUE(waitForInhibitors("")) << "the destructor kept the lock";

  struct AtScanStart : RecordingObserver {
    explicit AtScanStart(FakeLogindTest& test) : RecordingObserver({FileType::Jpg}), test(test) {}
    void reconstructAfterRescan() override { inhibitors = test.inhibitors(); }
    FakeLogindTest& test;
    std::string inhibitors;
  } observer(*this);
  TestImage image(dir_.file("disk.img"), 1 << 20);
  ScanContext context;
  context.selectedDriveMountPoint = image.path();
  context.u32BytesInSector = 512;
  context.u64DriveSectorNumber = (1 << 20) / 512;
  Sleep sleep(address_);
  Scanning(context, observer, &sleep).scanningThread(observer.selected);
  EXPECT_EQ(observer.inhibitors, "sleep:idle/block ") << "not held as the scan began";
  EXPECT_FALSE(sleep.isPreventingSleep());
  EXPECT_TRUE(waitForInhibitors("")) << "still held after the scan";
}

// Without a bus, without logind on it, or refused by an error reply without a message text: a "no" that says why.
TEST_F(FakeLogindTest, WithoutBusOrLogindOrWhenRefusedItSaysWhyAndCarriesOn) {
  const std::pair<std::string, std::string> cases[] = {{"unix:path=" + dir_.file("no-such-socket"), Sleep::kNoLogind},
                                                       {address_, Sleep::kNoLogind},
                                                       {address_, "org.example.Refused"}};
  for (const auto& [address, named] : cases) {
    if (named == "org.example.Refused") {
      ASSERT_TRUE(startLogind()) << logindLog();
      const RunResult replaced = callLogind(
          "org.freedesktop.DBus.Mock.AddMethod",
          {"string:org.freedesktop.login1.Manager", "string:Inhibit", "string:ssss", "string:h",
           "string:raise dbus.exceptions.DBusException(name='org.example.Refused')"});
      ASSERT_EQ(replaced.status.code, 0) << replaced.err;
    }
    Sleep sleep(address);
    EXPECT_FALSE(sleep.startPreventingSleep());
    EXPECT_FALSE(sleep.isPreventingSleep());
    EXPECT_NE(sleep.failure().find(named), std::string::npos) << sleep.failure();
    sleep.stopPreventingSleep();
  }
}

}  // namespace
}  // namespace salvonix::test
