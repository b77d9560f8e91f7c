// Command line and configuration files of the simulator program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "params/Params.h"
#include "tests/trackersim/SimTestSupport.h"
#include "tools/trackersim/SimConfig.h"

namespace ravok::sim::test {
namespace {

namespace fs = std::filesystem;

ProgramOptions Parse(std::vector<std::string> args) {
  ProgramOptions o;
  std::string error;
  EXPECT_TRUE(ParseArgs(args, o, error)) << error;
  return o;
}

TEST(SimArgs, FaultsByKindOfRequest) {
  const auto o = Parse({"--serial", "--silent-at", "5", "--error-at", "3:102", "--error-at", "7:255",
                        "--bad-checksum-at", "0", "--silent-at", "w2", "--error-at", "w4:101",
                        "--error-at", "b10:3", "--bad-checksum-at", "b11", "--delay", "250", "--baud",
                        "230400", "--split", "--chatter", "--imei", "123456789012345", "--device-type", "12"});
  const SimOptions& s = o.sim;
  EXPECT_TRUE(o.serial);
  EXPECT_EQ(s.silentAt, 5);
  EXPECT_EQ(s.errorAt, (std::map<int, uint8_t>{{3, 102}, {7, 255}}));
  EXPECT_EQ(s.badChecksumAt, 0);
  EXPECT_EQ(s.writeFaults.silentAt, 2);
  EXPECT_EQ(s.writeFaults.errorAt, (std::map<int, uint8_t>{{4, 101}}));
  EXPECT_EQ(s.imageFaults.errorAt, (std::map<int, uint8_t>{{10, 3}}));
  EXPECT_EQ(s.imageFaults.badChecksumAt, 11);
  EXPECT_FALSE(s.imageFaults.silentAt);
  EXPECT_EQ(s.delay, milliseconds(250));
  EXPECT_EQ(s.baud, 230400);
  EXPECT_TRUE(s.split && s.chatter);
  EXPECT_EQ(s.imei, "123456789012345");
  EXPECT_EQ(s.deviceType, 12);
}

TEST(SimArgs, WhereItListens) {
  auto o = Parse({"--serial", "--link", "/tmp/x", "--config", "c.txt", "--save", "s.txt", "--image-out", "i.bin"});
  EXPECT_EQ(o.link, "/tmp/x");
  EXPECT_EQ(o.configFile, "c.txt");
  EXPECT_EQ(o.saveFile, "s.txt");
  EXPECT_EQ(o.imageOut, "i.bin");
  EXPECT_EQ(o.fifo, kDefaultFifo);
  EXPECT_EQ(o.spinUs, 0);
  o = Parse({"--port", "/dev/ttyUSB0", "--speed", "9600", "--fifo", "1", "--spin", "150"});
  EXPECT_EQ(o.port, "/dev/ttyUSB0");
  EXPECT_EQ(o.speed, 9600);
  EXPECT_EQ(o.fifo, 1);
  EXPECT_EQ(o.spinUs, 150);
  EXPECT_TRUE(Parse({"--help"}).help);
}

TEST(SimArgs, Refused) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--serial", "--port", "/dev/ttyS0"},
      {"--port", "/dev/ttyS0", "--link", "/tmp/x"},
      {"--serial", "--bogus"},
      {"--serial", "--delay"},
      {"--serial", "--delay", "-1"},
      {"--serial", "--delay", "10ms"},
      {"--serial", "--baud", "0"},
      {"--serial", "--error-at", "3"},
      {"--serial", "--error-at", "3:256"},
      {"--serial", "--error-at", "x3:1"},
      {"--serial", "--silent-at", "w"},
      {"--serial", "--silent-at", "70000"},
      {"--serial", "--imei", "12345678901234567"},
      {"--serial", "--imei", "35693803564380A"},
      {"--serial", "--device-type", "3"},
      {"--serial", "--fifo", "0"},
      {"--serial", "--spin", "-5"},
  };
  for (const auto& args : bad) {
    ProgramOptions o;
    std::string error;
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_FALSE(ParseArgs(args, o, error)) << joined;
    EXPECT_FALSE(error.empty()) << joined;
  }
}

class SimConfigFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("trackersim-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const auto p = (dir_ / name).string();
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
  fs::path dir_;
};

TEST_F(SimConfigFiles, ParameterLinesLoadAndSaveBack) {
  const std::string lines = "Description=Van 12\r\n\nServerPort=9000\n03E70002=01AB\n";
  TDataList records;
  std::string error;
  ASSERT_TRUE(LoadConfigFile(Write("c.txt", lines), 0, records, error)) << error;
  EXPECT_EQ(records, SmallConfig());
  const auto out = (dir_ / "saved.txt").string();
  ASSERT_TRUE(SaveConfigFile(out, records, error)) << error;
  std::ifstream f(out, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), "Description=Van 12\nServerPort=9000\n03E70002=01AB\n");
}

TEST_F(SimConfigFiles, ConfigurationXmlOfTheDeviceType) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ravok ver=\"1\">"
      "<config device=\"7\" type=\"1\"><record key=\"ServerPort\" value=\"7000\"/></config>"
      "<config device=\"8\" type=\"1\"><record key=\"Description\" value=\"Van 12\"/>"
      "<record key=\"ServerPort\" value=\"9000\"/><description>car 12</description></config></ravok>\n";
  const auto file = Write("c.xml", xml);
  TDataList records;
  std::string error;
  ASSERT_TRUE(LoadConfigFile(file, 8, records, error)) << error;
  EXPECT_EQ(records, (TDataList{SmallConfig()[0], SmallConfig()[1]}));
  // Without a device type the first type that has a configuration is taken.
  ASSERT_TRUE(LoadConfigFile(file, 0, records, error)) << error;
  EXPECT_EQ(records, (TDataList{Rec(7, 2, {0x58, 0x1B})}));
  EXPECT_FALSE(LoadConfigFile(file, 9, records, error));
}

TEST_F(SimConfigFiles, EmptyFileIsATrackerWithoutParameters) {
  TDataList records = SmallConfig();
  std::string error;
  ASSERT_TRUE(LoadConfigFile(Write("empty.txt", "\n \n"), 0, records, error)) << error;
  EXPECT_TRUE(records.empty());
}

TEST_F(SimConfigFiles, RefusedFiles) {
  TDataList records = SmallConfig();
  std::string error;
  EXPECT_FALSE(LoadConfigFile((dir_ / "missing.txt").string(), 0, records, error));
  EXPECT_FALSE(LoadConfigFile(Write("bad.txt", "Description=Van 12\nServerPort=lots\n"), 0, records, error));
  EXPECT_NE(error.find("parameter line 2"), std::string::npos) << error;
  EXPECT_FALSE(LoadConfigFile(Write("bad.xml", "<ravok><config"), 0, records, error));
  EXPECT_EQ(records, SmallConfig());  // untouched on failure
}

TEST(SimDefaults, EveryCatalogueDefaultThatEncodes) {
  TrackerCore t;
  // The catalogue's three empty defaults of required values do not encode.
  ASSERT_EQ(t.Configuration().size(), static_cast<size_t>(kParamRows - 3));
  // In catalogue order.
  for (size_t i = 1; i < t.Configuration().size(); ++i)
    EXPECT_LT(IndexOfPid(t.Configuration()[i - 1].Hdr.Pid), IndexOfPid(t.Configuration()[i].Hdr.Pid));
}

}  // namespace
}  // namespace ravok::sim::test
