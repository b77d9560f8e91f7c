// ravokctl --serial against ravok-tracker-sim on a pseudo-terminal: each case starts its
// own simulator (faults included), runs one command and checks stdout, stderr, the exit
// status and what the tracker ended up holding.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <functional>

// Readable failure output.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '"' << l.join("\", \"").toStdString() << '"';
}

namespace {

const QString kCtl = QStringLiteral(RAVOKCTL_PATH);
const QString kSim = QStringLiteral(TRACKER_SIM_PATH);

// The simulator on its own pseudo-terminal; stopped (SIGTERM) when it goes out of scope.
class Sim {
 public:
  explicit Sim(const QStringList& args) {
    proc_.setProcessChannelMode(QProcess::SeparateChannels);
    proc_.start(kSim, QStringList{"--serial"} + args);
    if (!proc_.waitForStarted(5000)) return;
    while (!proc_.canReadLine() && proc_.waitForReadyRead(5000)) {
    }
    path = QString::fromUtf8(proc_.readLine()).trimmed();
  }
  ~Sim() { Stop(); }
  void Stop() {
    if (proc_.state() == QProcess::NotRunning) return;
    proc_.terminate();
    if (!proc_.waitForFinished(5000)) proc_.kill();
    proc_.waitForFinished(1000);
  }
  QString path;

 private:
  QProcess proc_;
};

struct Result {
  int rc = -1;
  QString out, err;
};

// Runs ravokctl --serial PORT args...; onStarted may act on the running process.
Result Ctl(const QString& port, const QStringList& args,
           const std::function<void(QProcess&)>& onStarted = {}) {
  QProcess p;
  p.start(kCtl, QStringList{"--serial", port} + args);
  p.waitForStarted(5000);
  if (onStarted) onStarted(p);
  p.waitForFinished(90000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

QStringList Lines(const QString& text) { return text.split('\n', Qt::SkipEmptyParts); }

QStringList Sorted(QStringList l) {
  l.sort();
  return l;
}

class SerialE2E : public ::testing::Test {
 protected:
  QString File(const QString& name, const QByteArray& contents = {}) {
    const QString path = dir_.filePath(name);
    if (!contents.isNull()) {
      QFile f(path);
      EXPECT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(contents);
    }
    return path;
  }
  QByteArray Read(const QString& name) {
    QFile f(dir_.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // A small configuration in an order that is not the catalogue's.
  QStringList SmallConfig() {
    return {"--config", File("config.txt", "ServerPort=9000\nDescription=Van 12\nHeartBeat=300\n"
                                           "APN=internet\nPIN=1234\n")};
  }
  QTemporaryDir dir_;
};

const QStringList kSmallConfigRead = {"Description=Van 12", "APN=internet", "PIN=1234",
                                      "ServerPort=9000", "HeartBeat=300"};

TEST_F(SerialE2E, ReadCases) {
  struct Case {
    const char* name;
    QStringList simArgs, ctlArgs;
    int rc;
    QStringList out;
    QString err;
  };
  const Case cases[] = {
      {"whole configuration in catalogue order", {}, {}, 0, kSmallConfigRead, ""},
      {"230400 baud, paced and split", {"--baud", "230400", "--split"}, {"--speed", "230400"}, 0,
       kSmallConfigRead, ""},
      {"9600 baud, answers 1 s late", {"--baud", "9600", "--delay", "1000"}, {}, 0,
       kSmallConfigRead, ""},
      {"no answer at record 3: records 1 and 2 shown", {"--silent-at", "3"}, {}, 1,
       {"Description=Van 12", "ServerPort=9000"}, "Device not respond\n"},
      {"error answer at record 2: all shown, record 2 empty", {"--error-at", "2:102"}, {}, 1,
       {"Description=", "APN=internet", "PIN=1234", "ServerPort=9000", "HeartBeat=300"},
       "Parameter not exists\n"},
      {"bad checksum on the count", {"--bad-checksum-at", "0"}, {}, 1, {}, "Device not respond\n"},
      {"answers after the time-out", {"--delay", "2000"}, {}, 1, {}, "Device not respond\n"},
  };
  for (const Case& c : cases) {
    Sim sim(SmallConfig() + c.simArgs);
    ASSERT_FALSE(sim.path.isEmpty()) << c.name;
    const Result r = Ctl(sim.path, c.ctlArgs + QStringList{"read"});
    EXPECT_EQ(r.rc, c.rc) << c.name;
    EXPECT_EQ(Lines(r.out), c.out) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
  }
}

TEST_F(SerialE2E, ReadListsParametersOutsideTheCatalogueLast) {
  Sim sim({"--config", File("raw.txt", "03E70002=01AB\nHeartBeat=300\nDescription=X\n")});
  const Result r = Ctl(sim.path, {"read"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(Lines(r.out), QStringList({"Description=X", "HeartBeat=300", "03E70002=01AB"}));
}

TEST_F(SerialE2E, WriteInsertReplaceAndFaults) {
  const QString lines = File("new.txt", "Description=New van\nHeartBeat=60\nPIN=9999\n");
  struct Case {
    const char* name;
    QStringList simArgs, ctlArgs;
    int rc;
    QString err;
    QStringList saved;
  };
  const Case cases[] = {
      {"insert; the PIN needs consent", {}, {}, 0,
       "Do you want to save the current PIN to the device? [no]\n",
       {"APN=internet", "Description=New van", "HeartBeat=60", "PIN=1234", "ServerPort=9000"}},
      {"replace with consent: everything else deleted", {}, {"--replace", "--yes"}, 0,
       "Do you want to save the current PIN to the device? [yes]\n",
       {"Description=New van", "HeartBeat=60", "PIN=9999"}},
      {"replace keeps a PIN it may not write", {}, {"--replace"}, 0,
       "Do you want to save the current PIN to the device? [no]\n",
       {"Description=New van", "HeartBeat=60", "PIN=1234"}},
      {"second write refused", {"--error-at", "w2:103"}, {"--yes"}, 1,
       "Do you want to save the current PIN to the device? [yes]\nAuthorization error\n",
       {"APN=internet", "Description=New van", "HeartBeat=300", "PIN=1234", "ServerPort=9000"}},
  };
  for (const Case& c : cases) {
    const QString saved = File("saved.txt");
    {
      Sim sim(SmallConfig() + QStringList{"--save", saved} + c.simArgs);
      const Result r = Ctl(sim.path, c.ctlArgs + QStringList{"write", lines});
      EXPECT_EQ(r.rc, c.rc) << c.name;
      EXPECT_EQ(r.err, c.err) << c.name;
    }
    EXPECT_EQ(Sorted(Lines(QString::fromLatin1(Read("saved.txt")))), c.saved) << c.name;
  }
}

TEST_F(SerialE2E, ReplaceNeverDeletesPinOrAccessKey) {
  const QString config = File("secrets.txt", "PIN=1234\nAccessKey=$0001,$0002\nHeartBeat=300\nAPN=x\n");
  struct Case {
    const char* name;
    QByteArray lines;
    QString err;
    QStringList saved;
  };
  const Case cases[] = {
      {"neither named", "HeartBeat=60\n", "", {"AccessKey=$0001,$0002", "HeartBeat=60", "PIN=1234"}},
      {"AccessKey named, not confirmed", "AccessKey=3,4\nHeartBeat=60\n",
       "Do you want to save the current AccessKey to the device? [no]\n",
       {"AccessKey=$0001,$0002", "HeartBeat=60", "PIN=1234"}},
  };
  for (const Case& c : cases) {
    const QString saved = File("saved.txt");
    {
      Sim sim({"--config", config, "--save", saved});
      const Result r = Ctl(sim.path, {"--replace", "write", File("new.txt", c.lines)});
      EXPECT_EQ(r.rc, 0) << c.name;
      EXPECT_EQ(r.err, c.err) << c.name;
    }
    EXPECT_EQ(Sorted(Lines(QString::fromLatin1(Read("saved.txt")))), c.saved) << c.name;
  }
}

TEST_F(SerialE2E, WriteStopsAtALineThatDoesNotEncode) {
  const QString saved = File("saved.txt");
  {
    Sim sim(SmallConfig() + QStringList{"--save", saved});
    const Result r = Ctl(sim.path, {"write", File("bad.txt", "Description=ok\nHeartBeat=abc\n")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, "Error in line 2 (HeartBeat)!\n");
  }
  EXPECT_EQ(Sorted(Lines(QString::fromLatin1(Read("saved.txt")))), Sorted(kSmallConfigRead));
}

TEST_F(SerialE2E, EmptyConfigurationAsksFirstAndReplaceThenKeepsOnlyThePin) {
  const QString empty = File("empty.txt", "\n");
  struct Case {
    const char* name;
    QStringList ctlArgs;
    int rc;
    QString err;
    QStringList saved;
  };
  const Case cases[] = {
      {"refused", {}, 1, "The configuration is empty. Continue? [no]\n", Sorted(kSmallConfigRead)},
      {"confirmed replace", {"--replace", "--yes"}, 0,
       "The configuration is empty. Continue? [yes]\n", {"PIN=1234"}},
  };
  for (const Case& c : cases) {
    const QString saved = File("saved.txt");
    {
      Sim sim(SmallConfig() + QStringList{"--save", saved});
      const Result r = Ctl(sim.path, c.ctlArgs + QStringList{"write", empty});
      EXPECT_EQ(r.rc, c.rc) << c.name;
      EXPECT_EQ(r.err, c.err) << c.name;
    }
    EXPECT_EQ(Sorted(Lines(QString::fromLatin1(Read("saved.txt")))), c.saved) << c.name;
  }
}

TEST_F(SerialE2E, WriteFromConfigurationXmlTakesTheSelectedDeviceType) {
  const QString xml = File("config.xml",
                           "<?xml version=\"1.0\"?><ravok ver=\"1\">"
                           "<config device=\"8\" type=\"1\"><record key=\"HeartBeat\" value=\"99\"/></config>"
                           "<config device=\"12\" type=\"1\"><record key=\"HeartBeat\" value=\"60\"/>"
                           "<record key=\"APN\" value=\"fleet\"/></config></ravok>");
  const QString saved = File("saved.txt");
  {
    Sim sim(SmallConfig() + QStringList{"--save", saved});
    const Result r = Ctl(sim.path, {"--device-type", "12", "write", xml});
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.err, "");
  }
  EXPECT_EQ(Sorted(Lines(QString::fromLatin1(Read("saved.txt")))),
            QStringList({"APN=fleet", "Description=Van 12", "HeartBeat=60", "PIN=1234",
                         "ServerPort=9000"}));
}

TEST_F(SerialE2E, StatusLiveIdentDebugAndTextCommands) {
  Sim sim({"--imei", "123456789012345"});
  for (const char* table : {"status", "live"}) {
    const Result r = Ctl(sim.path, {table, "--icon", "--locale", "C"});
    EXPECT_EQ(r.rc, 0) << table;
    EXPECT_EQ(r.err, "") << table;
    const QStringList lines = Lines(r.out);
    EXPECT_GT(lines.size(), 3) << table;
    for (const QString& l : lines) EXPECT_TRUE(l.contains('=') && l.contains(QRegularExpression("\t\\d+$"))) << l.toStdString();
  }
  Result r = Ctl(sim.path, {"ident"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, "IMEI: 123456789012345\n");
  r = Ctl(sim.path, {"debug"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_FALSE(r.out.isEmpty());
  for (const char* cmd : {"blackbox", "settings"}) {
    r = Ctl(sim.path, {cmd, "123456789012345678"});
    EXPECT_EQ(r.rc, 0) << cmd;
    EXPECT_EQ(r.err, "") << cmd;
  }
}

TEST_F(SerialE2E, NoTracker) {
  Result r = Ctl("/dev/ravok-no-such-port", {"read"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "Can not open serial port: /dev/ravok-no-such-port\n");
  // A pseudo-terminal with nobody answering on the other side.
  int master = -1, slave = -1;
  char name[256];
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  for (const char* cmd : {"ident", "read", "status"}) {
    r = Ctl(name, {cmd});
    EXPECT_EQ(r.rc, 1) << cmd;
    EXPECT_EQ(r.out, "") << cmd;
    EXPECT_EQ(r.err, "Device not respond\n") << cmd;
  }
  close(slave);
  close(master);
}

// Intel HEX of `bytes` from address 0, 32 bytes per record.
QByteArray IntelHex(const QByteArray& bytes) {
  QByteArray out;
  for (int a = 0; a < bytes.size(); a += 32) {
    const int n = std::min<int>(32, int(bytes.size()) - a);
    QByteArray rec;
    rec.append(char(n)).append(char(a >> 8)).append(char(a & 0xFF)).append('\0');
    rec.append(bytes.mid(a, n));
    int sum = 0;
    for (char c : rec) sum += uint8_t(c);
    rec.append(char((-sum) & 0xFF));
    out += ":" + rec.toHex().toUpper() + "\n";
  }
  return out + ":00000001FF\n";
}

TEST_F(SerialE2E, UpgradeSendsTheImageAfterTheBootArea) {
  QByteArray image(8192 + 1000, '\0');
  for (int i = 0; i < image.size(); ++i) image[i] = char(i * 13 + 1);
  const QString hex = File("fw.hex", IntelHex(image));
  QByteArray expected = image.mid(8192);
  expected.append(QByteArray(1024 - 1000, char(0xFF)));
  struct Case {
    const char* name;
    QStringList simArgs, ctlArgs;
    int rc;
    QString err;
  };
  const Case cases[] = {
      {"Ravok-12 end frame", {"--device-type", "12"}, {"--device-type", "12"}, 0, ""},
      {"Ravok-8 end frame at 230400", {"--device-type", "8", "--baud", "230400"},
       {"--device-type", "8", "--speed", "230400"}, 0, ""},
      {"block 2 refused", {"--error-at", "b2:3"}, {}, 1, "Received error answer!\n"},
      {"end frame unanswered", {"--silent-at", "b4"}, {}, 1, "Device not respond\n"},
  };
  for (const Case& c : cases) {
    QFile::remove(dir_.filePath("image.bin"));
    Sim sim(c.simArgs + QStringList{"--image-out", dir_.filePath("image.bin")});
    const Result r = Ctl(sim.path, c.ctlArgs + QStringList{"upgrade", hex});
    EXPECT_EQ(r.rc, c.rc) << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
    sim.Stop();
    if (c.rc == 0) EXPECT_EQ(Read("image.bin"), expected) << c.name;
  }
}

TEST_F(SerialE2E, UpgradeStoppedWithCtrlC) {
  QByteArray image(8192 + 64 * 256, 'x');
  const QString hex = File("fw.hex", IntelHex(image));
  Sim sim({"--delay", "100"});
  const Result r = Ctl(sim.path, {"upgrade", hex}, [](QProcess& p) {
    QThread::msleep(700);
    ::kill(pid_t(p.processId()), SIGINT);
  });
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "Terminated!\n");
}

TEST_F(SerialE2E, DallasSendsTheKeyListWithItsNumber) {
  const QString xml = File("keys.xml",
                           "<?xml version=\"1.0\"?><ravok><data type=\"2\" crcc=\"7\">"
                           "<text>0123456789ABCDEF</text><text>FEDCBA9876543210</text>"
                           "</data></ravok>");
  {
    Sim sim({"--image-out", dir_.filePath("image.bin")});
    const Result r = Ctl(sim.path, {"dallas", xml});
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.err, "");
  }
  QByteArray expected = "0123456789ABCDEFFEDCBA9876543210";
  expected.append(QByteArray(256 - 32, char(0xFF)));
  EXPECT_EQ(Read("image.bin"), expected);

  Sim sim({});
  const Result r = Ctl(sim.path, {"dallas", File("empty.xml", "<ravok/>")});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "Can not read dallas list!\n");
}

}  // namespace
