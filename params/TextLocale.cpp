#include "params/TextLocale.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace ravok {
namespace {

// Values below this magnitude (after rounding) switch to scientific notation.
constexpr int kSmallestFixedExponent = -5;

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

struct CivilDate {
  int year;
  int month;  // 1..12
  int day;    // 1..31
  int weekday;  // 0 = Sunday
};

// Proleptic Gregorian date of a day count since 1970-01-01.
CivilDate DateOfDays(int64_t days) {
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
  const int weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  return {year, month, day, weekday};
}

struct Moment {
  CivilDate date;
  int hour, minute, second;
};

bool HasAmPm(std::string_view pattern) {
  bool quoted = false;
  for (char c : pattern) {
    if (c == '\'') quoted = !quoted;
    else if (!quoted && (c == 'a' || c == 'A')) return true;
  }
  return false;
}

// Text of one field token: `c` repeated `n` times (n already cut to the token's length).
std::string FieldText(char c, int n, const Moment& m, bool twelveHour, const TextLocale& loc) {
  static const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  const auto number = [n](int v) { return n >= 2 ? TwoDigits(v) : std::to_string(v); };
  switch (c) {
    case 'd':
      if (n >= 4) return kLongDays[m.date.weekday];
      if (n == 3) return kShortDays[m.date.weekday];
      return number(m.date.day);
    case 'M':
      if (n >= 4) return loc.LongMonthNames[m.date.month - 1];
      if (n == 3) return loc.ShortMonthNames[m.date.month - 1];
      return number(m.date.month);
    case 'y':
      if (n >= 4) return std::to_string(m.date.year);
      return TwoDigits(((m.date.year % 100) + 100) % 100);
    case 'h': {
      int h = m.hour;
      if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
      return number(h);
    }
    case 'H': return number(m.hour);
    case 'm': return number(m.minute);
    case 's': return number(m.second);
    case 'z': return n >= 3 ? "000" : "0";
    case 't': return "UTC";
    default: return std::string(static_cast<size_t>(n), c);
  }
}

int MaxTokenLength(char c) {
  switch (c) {
    case 'd': case 'M': case 'y': return 4;
    case 'z': return 3;
    case 'h': case 'H': case 'm': case 's': return 2;
    case 't': return 1;
    default: return 0;
  }
}

std::string FormatPattern(std::string_view pattern, const Moment& m, const TextLocale& loc) {
  const bool twelveHour = HasAmPm(pattern);
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'') {
      if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
        out += '\'';
        i += 2;
        continue;
      }
      size_t j = i + 1;
      while (j < pattern.size()) {
        if (pattern[j] == '\'') {
          if (j + 1 < pattern.size() && pattern[j + 1] == '\'') {
            out += '\'';
            j += 2;
            continue;
          }
          break;
        }
        out += pattern[j++];
      }
      i = j + 1;
      continue;
    }
    if (c == 'a' || c == 'A') {
      const bool pm = m.hour >= 12;
      std::string text = pm ? loc.PmText : loc.AmText;
      for (auto& ch : text) {
        if (c == 'A') ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        else ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      }
      out += text;
      ++i;
      if (i < pattern.size() && (pattern[i] == 'p' || pattern[i] == 'P')) ++i;
      continue;
    }
    const int maxLen = MaxTokenLength(c);
    if (maxLen == 0) {
      out += c;
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    if (c == 'y' && run == 1) {  // a lone y is not a year field
      out += c;
      ++i;
      continue;
    }
    const int n = static_cast<int>(std::min<size_t>(run, static_cast<size_t>(maxLen)));
    out += FieldText(c, n, m, twelveHour, loc);
    i += static_cast<size_t>(n);
  }
  return out;
}

}  // namespace

std::string LocaleFloatText(double value, int digits, const TextLocale& locale) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (digits < 1) digits = 1;
  if (digits > 17) digits = 17;
  // printf rounds correctly to the requested significant digits: "d.ddddde+XX".
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
  std::string_view text(buf);
  const bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  const size_t ePos = text.find('e');
  std::string mantissa;
  for (char c : text.substr(0, ePos))
    if (c != '.') mantissa += c;
  const int exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str());
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
  if (mantissa == "0") return "0";

  std::string out = negative ? "-" : "";
  if (exponent >= digits || exponent < kSmallestFixedExponent) {
    out += mantissa[0];
    if (mantissa.size() > 1) {
      out += locale.DecimalSeparator;
      out += mantissa.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  if (exponent < 0) {
    out += '0';
    out += locale.DecimalSeparator;
    out += std::string(static_cast<size_t>(-exponent - 1), '0');
    out += mantissa;
    return out;
  }
  const size_t intDigits = static_cast<size_t>(exponent) + 1;
  if (mantissa.size() <= intDigits) {
    out += mantissa;
    out += std::string(intDigits - mantissa.size(), '0');
  } else {
    out += mantissa.substr(0, intDigits);
    out += locale.DecimalSeparator;
    out += mantissa.substr(intDigits);
  }
  return out;
}

std::string LocaleDateTimeText(uint32_t secondsSince1970, const TextLocale& locale) {
  constexpr uint32_t kSecondsPerDay = 86400;
  const uint32_t secondOfDay = secondsSince1970 % kSecondsPerDay;
  Moment m{DateOfDays(secondsSince1970 / kSecondsPerDay), static_cast<int>(secondOfDay / 3600),
           static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60)};
  std::string out = FormatPattern(locale.ShortDateFormat, m, locale);
  if (secondOfDay != 0) {
    out += ' ';
    out += FormatPattern(locale.LongTimeFormat, m, locale);
  }
  return out;
}

}  // namespace ravok
