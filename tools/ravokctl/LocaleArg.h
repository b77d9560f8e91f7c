// The --locale option of the commands that print live data and status texts.
#pragma once

#include "locallink/QtTextLocale.h"

namespace ravok::ctl {

using ravok::OperatorTextLocale;
using ravok::TextLocaleFromName;
using ravok::TextLocaleOf;

}  // namespace ravok::ctl
