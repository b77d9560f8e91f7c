// The few locale settings that live data and status texts follow: the decimal separator,
// the short date and long time formats. Parameter lines never use them (they always write
// "."). Programs fill a TextLocale from the operator's locale; tests pick Dot() or Comma().
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ravok {

struct TextLocale {
  char DecimalSeparator = '.';
  // Date and time patterns: d dd M MM MMM MMMM yy yyyy for the date; h hh (12-hour when the
  // pattern has an AM/PM marker) H HH m mm s ss z zzz for the time; AP or A for the upper
  // case AM/PM text, ap or a for lower case; 'quoted' text is literal, '' is one quote; any
  // other character is copied.
  std::string ShortDateFormat = "M/d/yy";
  std::string LongTimeFormat = "h:mm:ss AP";
  std::string AmText = "AM";
  std::string PmText = "PM";
  std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames = {
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};

  // A "." locale (like en_US): 1/1/70 1:00:00 AM.
  static TextLocale Dot() { return TextLocale{}; }
  // A "," locale (like de_DE): 01.01.70 01:00:00.
  static TextLocale Comma() {
    TextLocale l;
    l.DecimalSeparator = ',';
    l.ShortDateFormat = "dd.MM.yy";
    l.LongTimeFormat = "HH:mm:ss";
    l.ShortMonthNames = {"Jan.", "Feb.", "M\xE4rz", "Apr.", "Mai", "Juni",
                         "Juli", "Aug.", "Sept.", "Okt.", "Nov.", "Dez."};
    l.LongMonthNames = {"Januar", "Februar", "M\xE4rz",     "April",   "Mai",      "Juni",
                        "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    return l;
  }
};

// General number format with at most `digits` significant digits and the locale's decimal
// separator: trailing zeros and a trailing separator are dropped (0.125, -40, 0); scientific
// notation (2.105541E10, 1E-6) when the value needs more than `digits` integer digits or is
// below 0.00001 in magnitude. Infinities give "INF"/"-INF", NaN gives "NAN".
std::string LocaleFloatText(double value, int digits, const TextLocale& locale);

// Seconds since 1970-01-01 00:00 UTC as that instant (no time-zone conversion): the date in
// the short date format, a blank and the time in the long time format; the time is left out
// at exact midnight.
std::string LocaleDateTimeText(uint32_t secondsSince1970, const TextLocale& locale);

}  // namespace ravok
