#include "keylist/KeyList.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace ravok {
namespace {

const QString kReservedKey1 = QStringLiteral("0000000000000001");
const QString kReservedKey2 = QStringLiteral("0000000000000002");

void PutLe16(QByteArray& out, uint16_t v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>(v >> 8));
}

void PutLe32(QByteArray& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.append(static_cast<char>((v >> shift) & 0xFF));
}

// An attribute read as an integer; 0 when missing or not a number.
long long IntAttribute(const QXmlStreamAttributes& attrs, const QString& name) {
  bool ok = false;
  const long long v = attrs.value(name).toLongLong(&ok);
  return ok ? v : 0;
}

// Reads the children of one `data` element of type 2 up to its end tag.
void ReadDataElement(QXmlStreamReader& xml, KeyList& list) {
  while (xml.readNextStartElement()) {
    if (xml.name() == u"text")
      list.keys << xml.readElementText(QXmlStreamReader::IncludeChildElements);
    else if (xml.name() == u"description")
      list.description << xml.readElementText(QXmlStreamReader::IncludeChildElements);
    else
      xml.skipCurrentElement();
  }
}

void ReadRavokElement(QXmlStreamReader& xml, KeyList& list) {
  while (xml.readNextStartElement()) {
    if (xml.name() == u"data" && IntAttribute(xml.attributes(), QStringLiteral("type")) == 2) {
      list.crcc = xml.attributes().value(QStringLiteral("crcc")).toString();
      list.version = xml.attributes().value(QStringLiteral("ver")).toString();
      ReadDataElement(xml, list);
    } else {
      xml.skipCurrentElement();
    }
  }
}

// Writes data through a save file, so a failed write keeps the file that was there.
bool SaveWhole(const QString& path, const QByteArray& data) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(data) != data.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

QString CanNotWriteText(const QString& path) { return QStringLiteral("Can not write file: ") + path; }

}  // namespace

QStringList LinesOf(const QString& plainText) {
  if (plainText.isEmpty()) return {};
  return plainText.split(QLatin1Char('\n'));
}

QString ReadyText(int lines) {
  return QStringLiteral("Ready: ") + QString::number(lines) + QStringLiteral(" lines");
}

int FirstBadKey(const QStringList& keys) {
  for (int i = 0; i < keys.size(); ++i)
    if (keys[i].size() != kKeyLength) return i;
  return -1;
}

QString BadLineText(int index, const QString& line) {
  return QStringLiteral("Error in line: ") + QString::number(index + 1) +
         QStringLiteral(" data: ") + line;
}

uint32_t ListNumberOf(const QString& crcc) {
  bool ok = false;
  const long long v = crcc.toLongLong(&ok);
  return ok ? static_cast<uint32_t>(static_cast<unsigned long long>(v) & 0xFFFFFFFFu) : 0;
}

QString SuggestedXmlName(const QString& crcc) {
  return QStringLiteral("DallasList_") + crcc + QStringLiteral(".xml");
}

QString SuggestedBinName(const QString& crcc) {
  return QStringLiteral("DallasList_") + crcc.rightJustified(6, QLatin1Char('0')) +
         QStringLiteral("_USB.bin");
}

bool ParseKeyListXml(const QByteArray& xmlText, KeyList& list, QString* error) {
  KeyList read;
  read.crcc.clear();
  read.version.clear();
  QXmlStreamReader xml(xmlText);
  // The whole document must be well formed, also after the root element.
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == u"ravok")
      ReadRavokElement(xml, read);
    else
      xml.skipCurrentElement();
  }
  if (xml.hasError()) {
    if (error) *error = xml.errorString();
    return false;
  }
  list = std::move(read);
  return true;
}

QByteArray BuildKeyListXml(const KeyList& list, const QString& release) {
  QByteArray out;
  QXmlStreamWriter xml(&out);
  xml.setAutoFormatting(true);
  xml.setAutoFormattingIndent(2);
  xml.writeStartDocument();
  xml.writeStartElement(QStringLiteral("ravok"));
  xml.writeAttribute(QStringLiteral("ver"), QStringLiteral("1"));
  xml.writeStartElement(QStringLiteral("data"));
  xml.writeAttribute(QStringLiteral("type"), QString::number(kKeyListType));
  xml.writeAttribute(QStringLiteral("crcc"), list.crcc);
  xml.writeAttribute(QStringLiteral("ver"), list.version);
  xml.writeAttribute(QStringLiteral("release"), release);
  for (const auto& key : list.keys) xml.writeTextElement(QStringLiteral("text"), key);
  for (const auto& line : list.description)
    xml.writeTextElement(QStringLiteral("description"), line);
  xml.writeEndElement();
  xml.writeEndElement();
  xml.writeEndDocument();
  return out;
}

QByteArray BuildKeyListBinary(const QStringList& keys, uint32_t listNumber) {
  const uint32_t n = static_cast<uint32_t>(keys.size()) * kKeyLength;
  const uint32_t pages = n / kKeyListPageSize + 1;
  QByteArray out;
  out.reserve(16 + static_cast<qsizetype>(pages) * kKeyListPageSize);
  out.append("\xFE\xED\xFA\xCE", 4);
  PutLe32(out, n);
  PutLe16(out, kKeyListType);
  PutLe16(out, static_cast<uint16_t>(pages));
  PutLe32(out, listNumber);
  for (const auto& key : keys)
    for (QChar c : key) out.append(static_cast<char>(c.unicode() & 0xFF));
  out.append(static_cast<qsizetype>(16 + pages * kKeyListPageSize) - out.size(), '\xFF');
  return out;
}

QString TodayRelease() {
  return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

KeyListOutcome OpenKeyList(const QString& path, KeyList& list) {
  const QString cannotRead = QStringLiteral("Can not read file: ") + path;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {false, cannotRead};
  if (!ParseKeyListXml(file.readAll(), list)) return {false, cannotRead};
  if (list.keys.isEmpty()) return {false, cannotRead};
  return {true, ReadyText(list.keys.size())};
}

KeyListOutcome WriteKeyList(const QString& path, const KeyList& list, const QString& release) {
  const int bad = FirstBadKey(list.keys);
  if (bad >= 0) return {false, BadLineText(bad, list.keys[bad])};
  if (!SaveWhole(path, BuildKeyListXml(list, release))) return {false, CanNotWriteText(path)};
  return {true, ReadyText(list.keys.size())};
}

KeyListOutcome ExportKeyList(const QString& path, const KeyList& list) {
  const int bad = FirstBadKey(list.keys);
  if (bad >= 0) return {false, BadLineText(bad, list.keys[bad])};
  if (list.keys.size() > kMaxKeyListKeys)
    return {false, QStringLiteral("Too many keys: ") + QString::number(list.keys.size()) +
                       QStringLiteral(" (at most ") + QString::number(kMaxKeyListKeys) +
                       QStringLiteral(")")};
  if (!SaveWhole(path, BuildKeyListBinary(list.keys, ListNumberOf(list.crcc))))
    return {false, CanNotWriteText(path)};
  return {true, ReadyText(list.keys.size())};
}

LineColors KeyLineColors(int line, const QString& text) {
  if (text.size() != kKeyLength) return {ColorRole::WindowText, ColorRole::Highlight};
  if (text == kReservedKey1 || text == kReservedKey2)
    return {ColorRole::Window, ColorRole::WindowText};
  if (line % 2 != 0) return {ColorRole::WindowText, ColorRole::Window};
  return {ColorRole::WindowText, ColorRole::ButtonFace};
}

}  // namespace ravok
