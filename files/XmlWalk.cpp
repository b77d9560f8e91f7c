#include "files/XmlWalk.h"

#include <QFile>
#include <limits>

#include "files/FirmwareXml.h"

namespace ravok {
namespace {

int DigitOf(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}

}  // namespace

int AttributeInt(const QDomElement& e, const QString& name) {
  const QString text = e.attribute(name);
  qsizetype i = 0;
  while (i < text.size() && text[i] == QLatin1Char(' ')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
    negative = text[i++] == QLatin1Char('-');
  int base = 10;
  if (i < text.size() && text[i] == QLatin1Char('$')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == QLatin1Char('0') &&
             (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return 0;
  qlonglong value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitOf(text[i]);
    if (digit < 0 || digit >= base) return 0;
    value = value * base + digit;
    if (value > qlonglong(std::numeric_limits<int>::max()) + 1) return 0;
  }
  const qlonglong signedValue = negative ? -value : value;
  if (signedValue > std::numeric_limits<int>::max()) return 0;
  return int(signedValue);
}

bool ParseXml(const QByteArray& text, QDomDocument& doc, QString* error) {
  QString message;
  int line = 0, column = 0;
  if (doc.setContent(text, &message, &line, &column)) return true;
  if (error) *error = QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column);
  return false;
}

bool LoadXmlFile(const QString& file, QDomDocument& doc, QString* error) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = f.errorString();
    return false;
  }
  return ParseXml(f.readAll(), doc, error);
}

}  // namespace ravok
