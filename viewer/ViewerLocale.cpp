#include "viewer/ViewerLocale.h"

#include <string>

namespace ravok::viewer {
namespace {

// The texts hold one byte per character; others become '?'.
std::string ToLatin1(const QString& text) {
  std::string out;
  for (QChar ch : text) {
    const char16_t c = ch.unicode();
    out += c <= 0xFF ? static_cast<char>(c) : (ch.isSpace() ? ' ' : '?');
  }
  return out;
}

// The time pattern without its time-zone fields ('t' outside quotes) and the blanks before.
std::string WithoutTimeZone(const std::string& pattern) {
  std::string out;
  bool quoted = false;
  for (char c : pattern) {
    if (c == '\'') quoted = !quoted;
    if (!quoted && c == 't') {
      while (!out.empty() && out.back() == ' ') out.pop_back();
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

TextLocale TextLocaleOf(const QLocale& locale) {
  TextLocale t;
  const QString point = locale.decimalPoint();
  if (point.size() == 1 && point[0].unicode() <= 0xFF)
    t.DecimalSeparator = static_cast<char>(point[0].unicode());
  t.ShortDateFormat = ToLatin1(locale.dateFormat(QLocale::ShortFormat));
  t.LongTimeFormat = WithoutTimeZone(ToLatin1(locale.timeFormat(QLocale::LongFormat)));
  t.AmText = ToLatin1(locale.amText());
  t.PmText = ToLatin1(locale.pmText());
  for (int m = 1; m <= 12; ++m) {
    t.ShortMonthNames[m - 1] = ToLatin1(locale.monthName(m, QLocale::ShortFormat));
    t.LongMonthNames[m - 1] = ToLatin1(locale.monthName(m, QLocale::LongFormat));
  }
  return t;
}

}  // namespace ravok::viewer
