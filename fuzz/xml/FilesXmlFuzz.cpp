// Arbitrary bytes as a firmware, key list or configuration document: every reader must
// stay within the image size it is given, and the import must end orderly.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/ConfigXml.h"
#include "files/DataXml.h"
#include "files/FirmwareXml.h"
#include "locallink/Shell.h"

namespace {

class QuietShell : public ravok::Shell {
 public:
  ravok::MsgResult CenteredMessage(const QString&, ravok::MsgKind, ravok::MsgButtons) override {
    return ravok::MsgResult::Ok;
  }
  void ProcessMessages() override {}
  void AddLogLine(const QString&) override {}
  void ShowDeleteCount(int) override {}

 protected:
  void DisplayStatusText(const QString&) override {}
  void DisplayProgressText(const QString&) override {}
  void ShowBusyWindow() override {}
  void HideBusyWindow() override {}
};

constexpr int kImageSize = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QDomDocument doc;
  if (!ravok::ParseXml(QByteArray(reinterpret_cast<const char*>(data), int(size)), doc))
    return 0;
  std::vector<uint8_t> image;
  int count = -1, list = -1;
  ravok::ReadFirmwareXml(doc, 8, 1, kImageSize, image, count);
  if (count < 0 || count > kImageSize || image.size() < size_t(kImageSize)) std::abort();
  ravok::ReadDataXml(doc, kImageSize, image, count, list);
  if (count < 0 || count > kImageSize) std::abort();
  QuietShell shell;
  for (const auto mode : {ravok::WriteMode::Insert, ravok::WriteMode::Replace}) {
    ravok::ConfigGrid grid;
    grid.deviceType = 8;
    grid.writeMode = mode;
    grid.rows = {{"ServerPort", "9001"}};
    ravok::ImportConfigXml(shell, doc, grid);
    QDomDocument back;
    // What was imported exports to a document that reads back the same lines.
    QStringList lines;
    if (!ravok::ParseXml(ravok::ConfigXmlBytes(grid), back)) std::abort();
    ravok::ReadConfigXml(back, 8, lines, nullptr);
    if (lines != grid.Lines()) std::abort();
  }
  return 0;
}
