// Wiring of the viewer's window against the simulated tracker on a real pseudo-terminal:
// port box, Connect/Disconnect, the identity in the debug log, Refresh into the value list,
// a state icon drawn in its cell, and the messages. The reading itself is tested on the link.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTableWidget>
#include <QTimer>
#include <memory>

#include "tests/keylist/QtPrinters.h"
#include "tools/trackersim/TrackerCore.h"
#include "viewer/ViewerWindow.h"

namespace ravok::viewer {
namespace {

// The simulated tracker on the master side of a pseudo-terminal, served by the event loop.
class PtyTracker {
 public:
  PtyTracker() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = QString::fromLocal8Bit(name);
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
      uint8_t buf[512];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n > 0) core_.Receive(buf, static_cast<size_t>(n), clock_.Now());
    });
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const std::vector<uint8_t> out = core_.TakeOutput(clock_.Now());
      if (!out.empty() && write(master_, out.data(), out.size()) < 0) return;
    });
    timer_.start(1);
  }
  ~PtyTracker() {
    timer_.stop();
    notifier_.reset();
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }
  const QString& Path() const { return path_; }

 private:
  int master_ = -1;
  int slave_ = -1;  // held open so the master never sees a hang-up between connections
  QString path_;
  SteadyClock clock_;
  sim::TrackerCore core_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer timer_;
};

bool WaitUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

class ViewerWindowTest : public ::testing::Test {
 protected:
  void Record(TForm1& form) {
    form.MessageBox = [this](const QString& text, MsgKind, MsgButtons) {
      messages << text;
      return MsgResult::Ok;
    };
  }
  QStringList messages;
};

TEST_F(ViewerWindowTest, StartShowsTheFirstListedPortOrCom1AndNineThousandSixHundred) {
  TForm1 form;
  EXPECT_EQ(form.windowTitle(), "RavokViewer4 V1.00");
  EXPECT_EQ(form.ComboBox1->currentText(), SystemPortNames().value(0, "COM1"));
  EXPECT_EQ(form.ComboBox2->currentText(), "9600");
  EXPECT_EQ(form.ComboBox2->count(), 2);
  EXPECT_EQ(form.BitBtn1->text(), "&Connect");
  EXPECT_EQ(form.width(), 584);
  EXPECT_EQ(form.ValueListEditor1->columnWidth(0), 250);
  EXPECT_EQ(form.ValueListEditor1->columnWidth(1), 320);
  EXPECT_EQ(form.ImageList1().size(), 3);
}

TEST_F(ViewerWindowTest, ConnectRefreshDisconnectOnThePseudoTerminal) {
  PtyTracker tracker;
  ASSERT_FALSE(tracker.Path().isEmpty());
  TForm1 form(tracker.Path());
  Record(form);
  form.show();
  EXPECT_EQ(form.ComboBox1->currentText(), tracker.Path());

  form.BitBtn2->click();
  EXPECT_EQ(messages, QStringList({"Device is not selected"}));

  form.BitBtn1->click();
  EXPECT_EQ(form.BitBtn1->text(), "Disconnect");
  EXPECT_FALSE(form.ComboBox1->isEnabled());
  EXPECT_FALSE(form.ComboBox2->isEnabled());
  ASSERT_TRUE(WaitUntil([&] { return !form.Memo1->toPlainText().isEmpty(); }));
  EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d IMEI: 356938035643809$")
                  .match(form.Memo1->toPlainText())
                  .hasMatch())
      << form.Memo1->toPlainText().toStdString();

  form.BitBtn2->click();
  EXPECT_TRUE(form.BitBtn2->isEnabled());
  ASSERT_EQ(form.ValueListEditor1->rowCount(), 30);
  EXPECT_EQ(form.ValueListEditor1->item(0, 0)->text(), "Description");
  EXPECT_EQ(form.ValueListEditor1->item(0, 1)->text(), "RavokECO");
  EXPECT_EQ(form.ValueListEditor1->item(10, 0)->text(), "GsmStatus");
  EXPECT_EQ(form.ValueListEditor1->item(10, 1)->text(), "Connected");
  EXPECT_EQ(messages.size(), 1);

  // GsmStatus (row 11) has state icon 1, drawn 280 pixels into its value cell; row 1 none.
  form.PageControl1->setCurrentIndex(0);
  QApplication::processEvents();
  const QImage shot = form.ValueListEditor1->viewport()->grab().toImage();
  const QColor iconPixel = form.ImageList1()[0].toImage().pixelColor(8, 3);
  auto cellPixel = [&](int row) {
    const QRect r = form.ValueListEditor1->visualRect(form.ValueListEditor1->model()->index(row, 1));
    return shot.pixelColor(r.left() + 280 + 8, r.top() + 1 + 3);
  };
  EXPECT_EQ(cellPixel(10), iconPixel);
  EXPECT_NE(cellPixel(0), iconPixel);

  form.BitBtn1->click();
  EXPECT_EQ(form.BitBtn1->text(), "Connect");
  EXPECT_TRUE(form.ComboBox1->isEnabled());
  EXPECT_TRUE(form.ComboBox2->isEnabled());
}

TEST_F(ViewerWindowTest, PortThatCannotBeOpenedAndExit) {
  TForm1 form(QStringLiteral("/dev/ravok-no-such-port"));
  Record(form);
  form.show();
  form.BitBtn1->click();
  EXPECT_EQ(messages, QStringList({"Can not open serial port: /dev/ravok-no-such-port"}));
  EXPECT_EQ(form.BitBtn1->text(), "&Connect");
  EXPECT_TRUE(form.ComboBox1->isEnabled());
  form.BitBtn3->click();
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace ravok::viewer

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
