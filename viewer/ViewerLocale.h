// The operator's locale as the live data and status texts need it.
#pragma once

#include <QLocale>

#include "params/TextLocale.h"

namespace ravok::viewer {

TextLocale TextLocaleOf(const QLocale& locale);

}  // namespace ravok::viewer
