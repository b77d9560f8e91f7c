// ravokctl keylist: the key list creator's Write and Export without the window.
//   keylist export XML BIN      the binary list from a key list XML (read as Open reads it)
//   keylist write KEYS.txt XML  the key list XML from a text file of one key per line
#include <QFile>
#include <cstdio>

#include "keylist/KeyList.h"
#include "tools/ravokctl/Commands.h"

namespace ravok::ctl {
namespace {

constexpr const char* kWord = "keylist";

// The lines of a text file: LF or CR LF, a final line break ends the last line.
bool ReadTextLines(const QString& path, QStringList& lines) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  QString text = QString::fromUtf8(file.readAll());
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  lines = LinesOf(text);
  for (auto& line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return true;
}

int Report(const KeyListOutcome& outcome) {
  std::FILE* out = outcome.ok ? stdout : stderr;
  std::fprintf(out, "%s\n", outcome.status.toUtf8().constData());
  return outcome.ok ? kExitOk : kExitFailed;
}

int ExportCommand(const Args& args) {
  if (args.size() != 2) return UsageError(kWord, "export needs XML and BIN");
  KeyList list;
  const KeyListOutcome opened = OpenKeyList(QString::fromStdString(args[0]), list);
  if (!opened.ok) return Report(opened);
  return Report(ExportKeyList(QString::fromStdString(args[1]), list));
}

int WriteCommand(const Args& args) {
  Args files;
  KeyList list;
  QString descriptionFile;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if ((a == "--crcc" || a == "--version" || a == "--description") && !hasValue)
      return UsageError(kWord, a + " needs a value");
    if (a == "--crcc")
      list.crcc = QString::fromStdString(args[++i]);
    else if (a == "--version")
      list.version = QString::fromStdString(args[++i]);
    else if (a == "--description")
      descriptionFile = QString::fromStdString(args[++i]);
    else if (a.starts_with("--"))
      return UsageError(kWord, "unknown option '" + a + "'");
    else
      files.push_back(a);
  }
  if (files.size() != 2) return UsageError(kWord, "write needs KEYS.txt and XML");
  const QString keysFile = QString::fromStdString(files[0]);
  if (!ReadTextLines(keysFile, list.keys))
    return Report({false, QStringLiteral("Can not read file: ") + keysFile});
  if (!descriptionFile.isEmpty() && !ReadTextLines(descriptionFile, list.description))
    return Report({false, QStringLiteral("Can not read file: ") + descriptionFile});
  return Report(WriteKeyList(QString::fromStdString(files[1]), list));
}

int KeylistCommand(const Args& args) {
  if (args.empty()) return UsageError(kWord, "keylist needs export or write");
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "export") return ExportCommand(rest);
  if (args[0] == "write") return WriteCommand(rest);
  return UsageError(kWord, "unknown keylist command '" + args[0] + "'");
}

const CommandRegistration kRegistration(
    kWord,
    "  keylist export XML BIN\n"
    "      write the binary key list (DallasList_NNNNNN_USB.bin) of a key list XML\n"
    "  keylist write KEYS.txt XML [--crcc N] [--version V] [--description FILE]\n"
    "      write a key list XML from one 16-character key per line (CRCC 1, version\n"
    "      1.000.000 unless given; FILE holds the description lines)",
    KeylistCommand);

}  // namespace
}  // namespace ravok::ctl
