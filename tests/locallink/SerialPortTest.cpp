// The serial port unit over a pseudo-terminal pair: this test holds the master side and
// plays the tracker; the port under test opens the slave side by its path.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

#include "locallink/Serial.h"

namespace ravok {
namespace {

using Bytes = std::vector<uint8_t>;

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

struct PtyPair {
  int master = -1, slave = -1;
  QString path;
  PtyPair() {
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) path = QString::fromLocal8Bit(name);
  }
  ~PtyPair() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
};

// Runs the event loop until n frames arrived or ms milliseconds passed.
void PumpUntil(const std::vector<Bytes>& frames, size_t n, int ms = 1000) {
  QElapsedTimer t;
  t.start();
  while (frames.size() < n && t.elapsed() < ms) QCoreApplication::processEvents();
}

TEST(SerialPortTest, DevicePath) {
  EXPECT_EQ(SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(SerialDevicePath("/dev/pts/7"), "/dev/pts/7");
  EXPECT_EQ(SerialDevicePath("./tracker"), "./tracker");
}

TEST(SerialPortTest, FramesAcrossReadsOnePortAndClose) {
  App();
  PtyPair pty;
  ASSERT_FALSE(pty.path.isEmpty());
  std::vector<Bytes> frames;
  auto collect = [&](const TBuffer& d, int len) { frames.emplace_back(d.begin(), d.begin() + len); };
  ASSERT_TRUE(SerialOpen(pty.path, 230400, collect));
  EXPECT_TRUE(SerialIsOpen());

  // A second open is refused and leaves the first port working.
  PtyPair other;
  EXPECT_FALSE(SerialOpen(other.path, 9600, collect));

  const Bytes a = BuildFrame({1, 1, 5, 0x14, 0, 0x0B});
  const Bytes b = BuildFrame({1, 1, 5, 0x14, 1, 0x28, 0x64, 'x'});
  // Noise, the first frame in pieces of 1, 7 and the rest, then both frames in one write.
  ASSERT_EQ(write(pty.master, "\xFF\x03", 2), 2);
  ASSERT_EQ(write(pty.master, a.data(), 1), 1);
  PumpUntil(frames, 1, 50);
  ASSERT_EQ(write(pty.master, a.data() + 1, 7), 7);
  PumpUntil(frames, 1, 50);
  ASSERT_EQ(write(pty.master, a.data() + 8, a.size() - 8), ssize_t(a.size() - 8));
  PumpUntil(frames, 1);
  Bytes both = a;
  both.insert(both.end(), b.begin(), b.end());
  ASSERT_EQ(write(pty.master, both.data(), both.size()), ssize_t(both.size()));
  PumpUntil(frames, 3);
  EXPECT_EQ(frames, (std::vector<Bytes>{a, a, b}));

  // Writing reaches the other side whole.
  const Bytes request = BuildFrame({1, 1, 5, 0x0A, 0, 0x28, 0x64});
  EXPECT_TRUE(SerialWrite(request.data(), request.size()));
  Bytes got(request.size());
  size_t have = 0;
  while (have < got.size()) {
    const ssize_t n = read(pty.master, got.data() + have, got.size() - have);
    ASSERT_GT(n, 0);
    have += size_t(n);
  }
  EXPECT_EQ(got, request);

  EXPECT_TRUE(SerialClose());
  EXPECT_FALSE(SerialIsOpen());
  EXPECT_FALSE(SerialClose());
  EXPECT_FALSE(SerialWrite(request.data(), request.size()));

  // Reopening starts with an empty assembler: half a frame before the close is forgotten.
  ASSERT_TRUE(SerialOpen(pty.path, 9600, collect));
  frames.clear();
  ASSERT_EQ(write(pty.master, a.data(), 5), 5);
  PumpUntil(frames, 1, 50);
  SerialClose();
  ASSERT_TRUE(SerialOpen(pty.path, 9600, collect));
  ASSERT_EQ(write(pty.master, a.data() + 5, a.size() - 5), ssize_t(a.size() - 5));
  ASSERT_EQ(write(pty.master, b.data(), b.size()), ssize_t(b.size()));
  PumpUntil(frames, 1);
  EXPECT_EQ(frames, (std::vector<Bytes>{b}));
  SerialClose();
}

TEST(SerialPortTest, CallbackMayClosePort) {
  App();
  PtyPair pty;
  std::vector<Bytes> frames;
  ASSERT_TRUE(SerialOpen(pty.path, 9600, [&](const TBuffer& d, int len) {
    frames.emplace_back(d.begin(), d.begin() + len);
    SerialClose();  // e.g. the operator disconnects from a message shown for this frame
  }));
  const Bytes a = BuildFrame({1, 1, 5, 0x14, 0, 0x0B});
  Bytes both = a;
  both.insert(both.end(), a.begin(), a.end());
  ASSERT_EQ(write(pty.master, both.data(), both.size()), ssize_t(both.size()));
  PumpUntil(frames, 2, 200);
  EXPECT_EQ(frames.size(), 1u) << "nothing is delivered once the port is closed";
  EXPECT_FALSE(SerialIsOpen());
}

TEST(SerialPortTest, MissingPortFails) {
  App();
  EXPECT_FALSE(SerialOpen("/dev/ravok-no-such-port", 9600, [](const TBuffer&, int) {}));
  EXPECT_FALSE(SerialIsOpen());
}

}  // namespace
}  // namespace ravok
