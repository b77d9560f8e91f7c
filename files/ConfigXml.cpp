#include "files/ConfigXml.h"

#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamWriter>
#include <algorithm>

#include "files/FirmwareXml.h"
#include "files/XmlWalk.h"
#include "locallink/Shell.h"
#include "params/Params.h"

namespace ravok {
namespace {

constexpr int kConfigType = 1;

QString NameOfLine(const QString& line) {
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  return eq < 0 ? QString() : line.left(eq);
}

QString ValueOfLine(const QString& line) {
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  return eq < 0 ? line : line.mid(eq + 1);
}

// Parameter text is Latin-1 bytes below the XML layer.
std::string Latin1(const QString& s) { return s.toLatin1().toStdString(); }

// True when some line has this name and a non-empty value.
bool HasValue(const QStringList& lines, const QString& name) {
  return std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
    return NameOfLine(line) == name && !ValueOfLine(line).isEmpty();
  });
}

QString DecodeText(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);
  return text;
}

bool LooksLikeXml(const QByteArray& bytes) {
  for (const char c : bytes) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    return c == '<' || c == '\xEF';  // markup, or the UTF-8 byte order mark
  }
  return false;
}

}  // namespace

int ConfigGrid::FindRow(const QString& name) const {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].name == name) return int(i);
  return -1;
}

QStringList ConfigGrid::Lines() const {
  QStringList out;
  for (const ConfigRow& row : rows) out << row.name + QLatin1Char('=') + row.value;
  return out;
}

QByteArray ConfigXmlBytes(const ConfigGrid& grid) {
  // Written by a stream writer: a DOM keeps attributes in a hash and would write them in
  // a different order on every run.
  QByteArray out;
  QXmlStreamWriter w(&out);
  w.setAutoFormatting(true);
  w.setAutoFormattingIndent(2);
  w.writeStartDocument();
  w.writeStartElement(QStringLiteral("ravok"));
  w.writeAttribute(QStringLiteral("ver"), QStringLiteral("1"));
  w.writeStartElement(QStringLiteral("config"));
  w.writeAttribute(QStringLiteral("device"), QString::number(grid.deviceType));
  w.writeAttribute(QStringLiteral("type"), QString::number(kConfigType));
  for (const ConfigRow& row : grid.rows) {
    w.writeEmptyElement(QStringLiteral("record"));
    w.writeAttribute(QStringLiteral("key"), row.name);
    w.writeAttribute(QStringLiteral("value"), row.value);
  }
  w.writeTextElement(QStringLiteral("description"), grid.description);
  w.writeEndDocument();
  return out;
}

void BuildConfigXml(QDomDocument& doc, const ConfigGrid& grid) {
  ParseXml(ConfigXmlBytes(grid), doc);
}

void ReadConfigXml(const QDomDocument& doc, int deviceType, QStringList& lines,
                   QString* description) {
  ForEachSection(doc, QStringLiteral("config"), [&](const QDomElement& config) {
    if (AttributeInt(config, QStringLiteral("device")) != deviceType ||
        AttributeInt(config, QStringLiteral("type")) != kConfigType)
      return;
    for (QDomElement e = config.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
      if (e.tagName() == QLatin1String("record"))
        lines << e.attribute(QStringLiteral("key")) + QLatin1Char('=') +
                     e.attribute(QStringLiteral("value"));
      else if (e.tagName() == QLatin1String("description") && description)
        *description = e.text();
    }
  });
}

int ImportConfigXml(Shell& shell, const QDomDocument& doc, ConfigGrid& grid) {
  QStringList lines;
  ReadConfigXml(doc, grid.deviceType, lines, &grid.description);
  if (grid.writeMode == WriteMode::Insert) {
    const QStringList fromFile = lines;
    for (const ConfigRow& row : grid.rows)
      if (!HasValue(fromFile, row.name)) lines << row.name + QLatin1Char('=') + row.value;
  }
  // Catalogue order; names outside the catalogue last. Equal positions keep their order,
  // so of two lines with one name the grid row (appended later) is handled last.
  std::stable_sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) {
    return IndexOfName(Latin1(NameOfLine(a))) < IndexOfName(Latin1(NameOfLine(b)));
  });
  grid.rows.clear();
  for (const QString& line : lines) {
    TData record;
    const EncodeResult encoded = EncodeParam(Latin1(line), record);
    if (!encoded) {
      // A raw value that is not hexadecimal carries its own conversion message.
      shell.ShowError(encoded.error.empty() ? kMsgErrorInLine + line
                                            : QString::fromLatin1(encoded.error));
      return 0;
    }
    const QString name = NameOfLine(line);
    const int at = grid.FindRow(name);
    if (at >= 0) {
      grid.rows[at].value = ValueOfLine(line);
    } else {
      grid.rows.push_back({name, ValueOfLine(line), DialogOfName(Latin1(name)) > 0});
    }
  }
  return lines.isEmpty() ? 0 : 1;
}

namespace {

// The parameter lines of a text file: one per line, CR LF or LF, blank lines skipped.
QStringList TextFileLines(const QByteArray& bytes) {
  QStringList lines;
  for (const QString& line : DecodeText(bytes).split(QLatin1Char('\n'))) {
    QString text = line;
    if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    if (!text.isEmpty()) lines << text;
  }
  return lines;
}

bool ReadFileBytes(const QString& file, QByteArray& bytes, QString* error) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = file + QStringLiteral(": ") + f.errorString();
    return false;
  }
  bytes = f.readAll();
  return true;
}

}  // namespace

bool LoadConfigLines(const QString& file, int deviceType, QStringList& lines, QString* error) {
  auto fail = [&](const QString& why) {
    if (error) *error = why;
    return false;
  };
  QByteArray bytes;
  lines.clear();
  if (!ReadFileBytes(file, bytes, error)) return false;
  if (LooksLikeXml(bytes)) {
    QDomDocument doc;
    QString why;
    if (!ParseXml(bytes, doc, &why)) return fail(file + QStringLiteral(": ") + why);
    ReadConfigXml(doc, deviceType, lines, nullptr);
    if (lines.isEmpty())
      return fail(file + QStringLiteral(": no configuration for device type %1").arg(deviceType));
    return true;
  }
  lines = TextFileLines(bytes);
  if (lines.isEmpty()) return fail(file + QStringLiteral(": no parameter lines"));
  return true;
}

ConfigFileResult ReadConfigFile(Shell& shell, const QString& file, int deviceType,
                                QStringList& lines, QString* error) {
  QByteArray bytes;
  lines.clear();
  if (!ReadFileBytes(file, bytes, error)) return ConfigFileResult::Unreadable;
  if (!LooksLikeXml(bytes)) {
    lines = TextFileLines(bytes);
    return ConfigFileResult::Read;
  }
  QDomDocument doc;
  QString why;
  if (!ParseXml(bytes, doc, &why)) {
    if (error) *error = file + QStringLiteral(": ") + why;
    return ConfigFileResult::Unreadable;
  }
  QStringList fileLines;
  ReadConfigXml(doc, deviceType, fileLines, nullptr);
  if (fileLines.isEmpty()) return ConfigFileResult::Read;  // an empty configuration
  ConfigGrid grid;
  grid.deviceType = deviceType;
  grid.writeMode = WriteMode::Replace;
  if (ImportConfigXml(shell, doc, grid) == 0) return ConfigFileResult::Refused;
  for (const ConfigRow& row : grid.rows) lines << row.name + QLatin1Char('=') + row.value;
  return ConfigFileResult::Read;
}

}  // namespace ravok
