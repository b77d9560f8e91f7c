// The program on a real pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "params/Params.h"
#include "tests/trackersim/SimProcess.h"
#include "tests/trackersim/SimTestSupport.h"

namespace ravok::sim::test {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = RAVOK_TRACKER_SIM;

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("trackersim-prog-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }
  std::string Read(const std::string& name) const {
    std::ifstream f(File(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  void Start(SimProcess& sim, const std::vector<std::string>& args) {
    ASSERT_TRUE(sim.Start(kProgram, args)) << sim.Stderr();
    ASSERT_TRUE(sim.Open()) << sim.Path();
  }
  fs::path dir_;
};

TEST_F(ProgramTest, ServesConfigurationAndSavesItOnExit) {
  std::ofstream(File("c.txt")) << "Description=Van 12\nServerPort=9000\n03E70002=01AB\n";
  SimProcess sim;
  Start(sim, {"--serial", "--link", File("tty"), "--config", File("c.txt"), "--save", File("out.txt"),
              "--imei", "123456789012345"});
  EXPECT_EQ(fs::read_symlink(File("tty")), sim.Path());
  EXPECT_EQ(sim.Exchange(Request(0, 0x28, 0x32, Le16(0))), AnswerFrame(0, {0x28, 0x32, 0, 0, 2, 0, 3, 0}));
  EXPECT_EQ(sim.Exchange(Request(1, 0x28, 0x32, Le16(2))), AnswerFrame(1, {0x28, 0x32, 7, 0, 2, 0, 0x28, 0x23}));
  const auto ident = sim.Exchange(Request(2, 0x28, 0x64));
  ASSERT_TRUE(ident);
  EXPECT_EQ(std::string(ident->begin() + 10, ident->begin() + 25), "123456789012345");
  // ServerPort=9001, delete Description.
  EXPECT_EQ(sim.Exchange(Request(3, 0x3C, 0x32, {7, 0, 2, 0, 0x29, 0x23})), AnswerFrame(3, {0x0B}));
  EXPECT_EQ(sim.Exchange(Request(4, 0x3C, 0x32, {0xFF, 0xFF, 4, 0, 1, 0, 16, 0})), AnswerFrame(4, {0x0B}));
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_EQ(Read("out.txt"), "ServerPort=9001\n03E70002=01AB\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(File("tty"))));
}

TEST_F(ProgramTest, FaultsFromTheCommandLine) {
  std::ofstream(File("c.txt")) << "Description=Van 12\nServerPort=9000\n03E70002=01AB\n";
  SimProcess sim;
  Start(sim, {"--serial", "--config", File("c.txt"), "--silent-at", "2", "--error-at", "1:102",
              "--bad-checksum-at", "3", "--split"});
  EXPECT_EQ(sim.Exchange(Request(0, 0x28, 0x32, Le16(1))), AnswerFrame(0, {0x0C, 102, 1, 0, 16, 0}));
  EXPECT_FALSE(sim.Exchange(Request(1, 0x28, 0x32, Le16(2)), std::chrono::milliseconds(300)));
  Bytes bad = AnswerFrame(2, {0x28, 0x32, 0xE7, 0x03, 0x02, 0x00, 0x01, 0xAB});
  bad[bad.size() - 2] ^= 0xFF;
  int reads = 0;
  ASSERT_TRUE(sim.Send(Request(2, 0x28, 0x32, Le16(3))));
  EXPECT_EQ(sim.Frame(std::chrono::milliseconds(2000), &reads), bad);
  EXPECT_GE(reads, 3);  // split: the frame came in pieces
  EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(ProgramTest, ImageUploadWrittenToFile) {
  SimProcess sim;
  Start(sim, {"--serial", "--image-out", File("image.bin"), "--baud", "230400"});
  Bytes image(2 * 256);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i ^ (i >> 8));
  uint16_t s1 = 0, s2 = 0;
  for (int n = 0; n < 2; ++n) {
    Bytes p = {248, static_cast<uint8_t>(n + 1), 5, 0x0A, 0, 0x41, 0x32};
    p.insert(p.end(), image.begin() + n * 256, image.begin() + (n + 1) * 256);
    EXPECT_EQ(sim.Exchange(BuildFrame(p)), AnswerFrame(0, {0x0B})) << n;
  }
  for (uint8_t b : image) {
    s1 = static_cast<uint16_t>(s1 + b);
    s2 = static_cast<uint16_t>(s2 + s1);
  }
  EXPECT_EQ(sim.Exchange(Request(5, 0x41, 0x36, Cat({Le16(2), Le16(s1), Le16(s2)}))), AnswerFrame(5, {0x0B}));
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_EQ(Read("image.bin"), std::string(image.begin(), image.end()));
  EXPECT_NE(sim.Stderr().find("image of 2 blocks checked out"), std::string::npos);
}

TEST_F(ProgramTest, ServesASerialDevice) {
  // A pseudo-terminal of the test's own stands in for the serial line: the program gets
  // the device end, the test speaks from the other.
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  char name[256];
  ASSERT_EQ(grantpt(master) | unlockpt(master) | ptsname_r(master, name, sizeof name), 0);
  SimProcess sim;
  ASSERT_TRUE(sim.Start(kProgram, {"--port", name, "--speed", "9600", "--imei", "42"})) << sim.Stderr();
  EXPECT_EQ(sim.Path(), name);
  const Bytes req = Request(6, 0x28, 0x64);
  ASSERT_EQ(write(master, req.data(), req.size()), static_cast<ssize_t>(req.size()));
  Bytes got;
  FrameAssembler a([&](const TBuffer& d, int len) { got.assign(d.begin(), d.begin() + len); });
  for (int i = 0; i < 100 && got.empty(); ++i) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    uint8_t buf[256];
    const ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) a.Feed(buf, static_cast<size_t>(n));
  }
  EXPECT_EQ(got, AnswerFrame(6, Cat({{0x28, 0x64, '4', '2'}, Bytes(14, 0)})));
  EXPECT_EQ(sim.Stop(), 0);
  close(master);
}

TEST_F(ProgramTest, ClientThatStopsReadingCostsOnlyTheBacklog) {
  SimProcess sim;
  Start(sim, {"--serial"});
  // About 230 KB of answers that nobody reads for now.
  const Bytes debug = Request(0, 0x28, 0x65);
  for (int i = 0; i < 2000; ++i) ASSERT_TRUE(sim.Send(debug));
  usleep(300000);
  while (sim.Frame(std::chrono::milliseconds(200))) {
  }
  const auto count = static_cast<uint16_t>(kParamRows - 3);  // the defaults that encode
  EXPECT_EQ(sim.Exchange(Request(1, 0x28, 0x32, Le16(0))), AnswerFrame(1, Cat({{0x28, 0x32, 0, 0, 2, 0}, Le16(count)})));
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_NE(sim.Stderr().find("output bytes dropped: nobody read them"), std::string::npos);
}

TEST_F(ProgramTest, RefusesBadArgumentsAndFiles) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  std::ofstream(File("bad.txt")) << "ServerPort=lots\n";
  fs::create_directories(dir_ / "dir");
  const std::vector<Case> cases = {
      {{"--serial", "--error-at", "3"}, "--error-at: N:CODE expected: 3"},
      {{"--delay", "5"}, "give either --serial or --port DEVICE"},
      {{"--serial", "--config", File("bad.txt")}, "parameter line 1 does not encode: ServerPort=lots"},
      {{"--serial", "--link", File("dir")}, "exists and is not a symbolic link"},
      {{"--port", File("missing-tty")}, "missing-tty"},
  };
  for (const auto& c : cases) {
    SimProcess sim;
    EXPECT_FALSE(sim.Start(kProgram, c.args, std::chrono::milliseconds(2000))) << c.message;
    EXPECT_GT(sim.Wait(std::chrono::milliseconds(2000)), 0) << c.message;
    EXPECT_NE(sim.Stderr().find(c.message), std::string::npos) << c.message;
  }
}

}  // namespace
}  // namespace ravok::sim::test
