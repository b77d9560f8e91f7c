// Text of a 32-bit float as parameter lines show it: general format with at most 7
// significant digits, trailing zeros and a trailing separator dropped, scientific form
// (2.105541E10, 1E-6) when the value needs more than 7 integer digits or is below 0.00001
// in magnitude.
#pragma once

#include <string>

namespace ravok {

// Parameter lines always use ".".
std::string FloatText(float value);
// The same with another decimal separator (live data and status lines use the locale's).
std::string FloatText(float value, char decimalSeparator);

}  // namespace ravok
