#include "params/FloatText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ravok {
namespace {

constexpr int kSignificantDigits = 7;
// Fixed notation is used for decimal exponents in this range (0.00001 up to 7 integer
// digits), scientific notation outside it.
constexpr int kMinFixedExponent = -5;
constexpr int kMaxFixedExponent = kSignificantDigits - 1;

void TrimTrailingZeros(std::string& digits) {
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
}

}  // namespace

std::string FloatText(float value) { return FloatText(value, '.'); }

std::string FloatText(float value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  // Round to 7 significant digits first: the rounded exponent decides the notation.
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*e", kSignificantDigits - 1,
                static_cast<double>(std::fabs(value)));
  // buf is "d.dddddde[+-]XX".
  std::string digits{buf[0]};
  digits.append(buf + 2, kSignificantDigits - 1);
  const int exponent = std::atoi(buf + 2 + kSignificantDigits);

  std::string text = value < 0 ? "-" : "";
  if (exponent < kMinFixedExponent || exponent > kMaxFixedExponent) {
    std::string fraction = digits.substr(1);
    TrimTrailingZeros(fraction);
    text += digits[0];
    if (!fraction.empty()) (text += decimalSeparator) += fraction;
    text += 'E';
    text += std::to_string(exponent);
    return text;
  }
  if (exponent >= 0) {
    std::string fraction = digits.substr(exponent + 1);
    TrimTrailingZeros(fraction);
    text += digits.substr(0, exponent + 1);
    if (!fraction.empty()) (text += decimalSeparator) += fraction;
    return text;
  }
  std::string fraction = std::string(-exponent - 1, '0') + digits;
  TrimTrailingZeros(fraction);
  text += '0';
  (text += decimalSeparator) += fraction;
  return text;
}

}  // namespace ravok
