#include "locallink/QtTextLocale.h"

#include <QString>

namespace ravok {
namespace {

std::string ToLatin1(const QString& text) {
  std::string out;
  for (QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c <= 0xFF) out += static_cast<char>(c);
    else if (ch.isSpace()) out += ' ';
    else out += '?';
  }
  return out;
}

// Drops the time-zone fields ('t' outside quotes) and the blanks before them.
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
  while (!out.empty() && out.front() == ' ') out.erase(out.begin());
  return out;
}

}  // namespace

TextLocale TextLocaleOf(const QLocale& locale) {
  TextLocale t;
  const QString point = locale.decimalPoint();
  t.DecimalSeparator = point.size() == 1 && point[0].unicode() <= 0xFF
                           ? static_cast<char>(point[0].unicode())
                           : '.';
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

bool TextLocaleFromName(const std::string& name, TextLocale& out) {
  const QLocale locale(QString::fromStdString(name));
  // Qt falls back to the C locale for names it does not know.
  const bool isC = name == "C" || name == "POSIX" || name.starts_with("C.");
  if (locale.language() == QLocale::C && !isC) return false;
  out = TextLocaleOf(locale);
  return true;
}

TextLocale OperatorTextLocale() { return TextLocaleOf(QLocale::system()); }

}  // namespace ravok
