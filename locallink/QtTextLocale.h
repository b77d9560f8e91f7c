// The locale that live data and status texts follow, taken from a Qt locale: by name
// (de_DE) or from the operator's environment (LC_ALL, LC_TIME, LANG).
#pragma once

#include <QLocale>
#include <string>

#include "params/TextLocale.h"

namespace ravok {

// The decimal separator, short date and long time formats, AM/PM and month names of a Qt
// locale. The time zone is left out of the time (the instants shown are UTC, unconverted);
// characters outside Latin-1 become '?' (spaces such as U+202F become a blank), and a
// separator outside Latin-1 falls back to ".".
TextLocale TextLocaleOf(const QLocale& locale);

// Name such as en_US, de_DE, de or C. False when no locale of that name is known.
bool TextLocaleFromName(const std::string& name, TextLocale& out);

TextLocale OperatorTextLocale();

}  // namespace ravok
