// Record <-> parameter line conversions over the catalogue and the code layouts.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <algorithm>

#include "params/ParamLayout.h"
#include "params/Params.h"

namespace ravok {

namespace {

using T = FieldType;
constexpr auto U1 = T::U1, U2 = T::U2, U4 = T::U4, S1 = T::S1, F4 = T::F4, X4 = T::X4,
               D4 = T::D4, TX = T::Text;

// Indexed by code - 1.
const CodeLayout kLayouts[kMaxCode] = {
    /* 1 */ {CodeKind::String, 0, {}},
    /* 2 */ {CodeKind::List, 1, {{0, U1, ""}}},
    /* 3 */ {CodeKind::List, 2, {{0, U2, ""}}},
    /* 4 */ {CodeKind::List, 4, {{0, U4, ""}}},
    /* 5 */ {CodeKind::Fixed, 1, {{0, U1, ""}}},
    /* 6 */ {CodeKind::Fixed, 2, {{0, U2, ""}}},
    /* 7 */ {CodeKind::Fixed, 4, {{0, U4, ""}}},
    /* 8 */
    {CodeKind::Fixed, 8, {{0, U4, "CanSpeed"}, {4, U1, "CanMode"}, {5, U1, "CanType"}, {6, U2, "CanID"}}},
    /* 9 */
    {CodeKind::Fixed, 24,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, X4, "AddresValue"},
      {7, U1, "AddresStartBit"}, {8, U1, "AddresBits"}, {9, U2, "FrameValue"},
      {11, U1, "FrameStartBit"}, {12, U1, "FrameBits"}, {13, U1, "ResultStartBit"},
      {14, U1, "ResultBits"}, {15, U1, "ResultType/BitNo"}, {16, F4, "ResultScale"},
      {20, F4, "ResultOffset"}}},
    /* 10 */ {CodeKind::Fixed, 12, {{0, U2, "Mode"}, {2, U2, "Time"}, {4, F4, "ON"}, {8, F4, "OFF"}}},
    /* 11 */
    {CodeKind::Fixed, 16,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, U1, "JbusMID"}, {4, U1, "JbusPID"},
      {5, U1, "ResultStartBit"}, {6, U1, "ResultBits"}, {7, U1, "ResultType/BitNo"},
      {8, F4, "ResultScale"}, {12, F4, "ResultOffset"}}},
    /* 12 */
    {CodeKind::Fixed, 14,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, U1, "ResultOffset"},
      {4, U1, "ResultBits"}, {5, U1, "ResultType/BitNo"}, {6, F4, "ResultScale"},
      {10, F4, "ResultOffset"}}},
    /* 13 */ {CodeKind::Fixed, 4, {{0, F4, ""}}},
    /* 14 */
    {CodeKind::Fixed, 16,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, U1, "Compartments"},
      {4, F4, "Hysteresis"}, {8, F4, "StartOfScale"}, {12, F4, "EndOfScale"}}},
    /* 15 */
    {CodeKind::Fixed, 8, {{0, U2, "Time"}, {2, U1, "QuantizerId"}, {3, U1, "ParameterType"}, {4, U4, "VectorId"}}},
    /* 16 */
    {CodeKind::Fixed, 9,
     {{0, U2, "Time"}, {2, U1, "QuantizerRow"}, {3, U1, "QuantizerCol"}, {4, U1, "ParameterType"},
      {5, U4, "MatrixId"}}},
    /* 17 */ {CodeKind::Fixed, 4, {{0, U2, "Time"}, {2, U1, "Source"}, {3, U1, "Options"}}},
    /* 18 */
    {CodeKind::Fixed, 12,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, U1, "Options"}, {4, F4, "Maximum"},
      {8, F4, "Minimum"}}},
    /* 19 */ {CodeKind::List, 4, {{0, X4, ""}}},
    /* 20 */ {CodeKind::Fixed, 4, {{0, X4, ""}}},
    /* 21 */
    {CodeKind::Fixed, 17,
     {{0, U2, "CanID"}, {2, U4, "Can1Speed"}, {6, U1, "Can1Mode"}, {7, U4, "Can2Speed"},
      {11, U1, "Can2Mode"}, {12, U4, "Can3Speed"}, {16, U1, "Can3Mode"}}},
    /* 22 */
    {CodeKind::Fixed, 35,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, X4, "AddresValue"},
      {7, U1, "AddresStartBit"}, {8, U1, "AddresBits"}, {9, U2, "FrameValue"},
      {11, U1, "FrameStartBit"}, {12, U1, "FrameBits"}, {13, U1, "ResultStartBit"},
      {14, U1, "ResultBits"}, {15, U1, "ResultType"}, {16, U1, "ResultBitNo"},
      {17, U1, "ResultMode1"}, {18, U1, "ResultMode2"}, {19, F4, "ResultScale"},
      {23, F4, "ResultOffset"}, {27, F4, "ResultMin"}, {31, F4, "ResultMax"}}},
    /* 23 */
    {CodeKind::Fixed, 26,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, U1, "JbusMID"}, {4, U1, "JbusPID"},
      {5, U1, "ResultStartBit"}, {6, U1, "ResultBits"}, {7, U1, "ResultType/BitNo"},
      {8, U1, "ResultBitNo"}, {9, U1, "ResultMode"}, {10, F4, "ResultScale"},
      {14, F4, "ResultOffset"}, {18, F4, "ResultMin"}, {22, F4, "ResultMax"}}},
    /* 24 */
    {CodeKind::Fixed, 24,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, U1, "ResultOffset"},
      {4, U1, "ResultBits"}, {5, U1, "ResultType/BitNo"}, {6, U1, "ResultBitNo"},
      {7, U1, "ResultMode"}, {8, F4, "ResultScale"}, {12, F4, "ResultOffset"},
      {16, F4, "ResultMin"}, {20, F4, "ResultMax"}}},
    /* 25 */ {CodeKind::Fixed, 4, {{0, D4, ""}}},
    /* 26 */
    {CodeKind::Fixed, 38,
     {{0, U2, "ParameterId"}, {2, U1, "ParameterIndex"}, {3, TX, "Name", 18}, {21, U1, "GAP"},
      {22, U1, "Length"}, {23, U2, "FrameValue"}, {25, U1, "FrameStartBit"},
      {26, U1, "FrameBits"}, {27, U1, "ResultStartBit"}, {28, U1, "ResultBits"},
      {29, U1, "ResultType/BitNo"}, {30, F4, "ResultScale"}, {34, F4, "ResultOffset"}}},
    /* 27 */
    {CodeKind::Fixed, 35,
     {{0, U1, "MinSatellites"}, {1, U1, "MinQueueSize"}, {2, U1, "MaxQueueSize"},
      {3, U1, "DefQueueSize"}, {4, U1, "DistAnomalyThreshold"}, {5, U1, "QueueSizeGrowRate"},
      {6, U1, "QueueSizeShrinkRate"}, {7, U2, "BaseDistanceThreshold"},
      {9, F4, "MotionIncreaseFactor"}, {13, U2, "MotionMaxAdditive"},
      {15, F4, "RestingThresholdRatio"}, {19, F4, "RestingIncreaseFactor"},
      {23, U2, "RestingMaxAdditive"}, {25, U2, "MinThreshold"}, {27, U2, "MaxThreshold"},
      {29, U1, "MovementHoldCycles"}, {30, F4, "EpsAvDistMultiplier"},
      {34, U1, "DbscanMinPoints"}}},
    /* 28 */
    {CodeKind::Fixed, 44,
     {{0, U1, "Region"}, {1, U1, "Preset"}, {2, U1, "Flags"}, {3, TX, "LongName", 22},
      {25, TX, "ShortName", 5}, {30, S1, "TxPower"}, {31, U1, "MaxHop"},
      {32, U4, "NodeInfoTime"}, {36, U4, "TelemetryTime"}, {40, U4, "PositionTime"}}},
};

constexpr char kHexUpper[] = "0123456789ABCDEF";

// --- record bytes --------------------------------------------------------------------

uint32_t ReadLE(const uint8_t* p, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

void WriteLE(uint8_t* p, int size, uint64_t v) {
  for (int i = 0; i < size; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

float ReadF4(const uint8_t* p) {
  const uint32_t bits = ReadLE(p, 4);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

void WriteF4(uint8_t* p, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  WriteLE(p, 4, bits);
}

// --- text output ---------------------------------------------------------------------

void AppendHex(std::string& out, uint32_t v, int digits) {
  for (int i = digits - 1; i >= 0; --i) out += kHexUpper[(v >> (4 * i)) & 0xF];
}

void AppendHexOutput(std::string& out, uint32_t v) {
  out += '$';
  AppendHex(out, v, v <= 0xFFFF ? 4 : 8);
}

void AppendField(std::string& out, const FieldDef& f, const uint8_t* elem) {
  const uint8_t* p = elem + f.offset;
  switch (f.type) {
    case T::U1: out += std::to_string(p[0]); break;
    case T::U2: out += std::to_string(ReadLE(p, 2)); break;
    case T::U4: out += std::to_string(ReadLE(p, 4)); break;
    case T::S1: out += std::to_string(static_cast<int8_t>(p[0])); break;
    case T::F4: out += FloatText(ReadF4(p)); break;
    case T::X4: AppendHexOutput(out, ReadLE(p, 4)); break;
    case T::D4: {
      const uint32_t v = ReadLE(p, 4);
      if (v <= 0xFFFF)
        out += std::to_string(v);
      else
        AppendHexOutput(out, v);
      break;
    }
    case T::Text:
      for (int i = 0; i < f.area - 1 && p[i] != 0; ++i) out += static_cast<char>(p[i]);
      break;
  }
}

// Appends the elements of a catalogue row's value.
void AppendValue(std::string& out, const TConvParam& row, const uint8_t* data) {
  const CodeLayout* layout = LayoutOfCode(row.Code);
  if (!layout) return;
  const int len = row.Len;
  int off = 0;
  for (int k = 0; k < row.Count; ++k) {
    const char* sep = k > 0 ? "," : "";
    if (layout->kind == CodeKind::String) {
      std::string s;
      while (off < len - 1) {
        const uint8_t b = data[off++];
        if (b == 0) break;
        s += static_cast<char>(b);
      }
      if (s.empty()) return;
      (out += sep) += s;
      continue;
    }
    if (off + layout->size > len) return;  // the catalogue's Len always holds Count elements
    const uint8_t* elem = data + off;
    if (layout->kind == CodeKind::List && k > 0 && ReadLE(elem, layout->size) == 0) return;
    out += sep;
    bool first = true;
    for (const FieldDef& f : layout->fields) {
      if (!first) out += ',';
      first = false;
      AppendField(out, f, elem);
    }
    off += layout->size;
  }
}

std::string RawLine(const TData& rec) {
  std::string out;
  AppendHex(out, rec.Hdr.Pid, 4);
  AppendHex(out, rec.Hdr.Len, 4);
  out += '=';
  // Len never exceeds the data area in a well-formed record; clamp anyway.
  const int len = rec.Hdr.Len < kRecordDataSize ? rec.Hdr.Len : kRecordDataSize;
  for (int i = 0; i < len; ++i) AppendHex(out, rec.Data[i], 2);
  return out;
}

std::string Decode(const std::vector<TConvParam>& table, const TData& rec) {
  for (const TConvParam& row : table) {
    if (row.Pid != rec.Hdr.Pid || row.Len != rec.Hdr.Len) continue;
    std::string out{row.Name};
    out += '=';
    AppendValue(out, row, rec.Data.data());
    return out;
  }
  return RawLine(rec);
}

// --- text input ----------------------------------------------------------------------

bool IsRawName(std::string_view name) {
  if (name.size() != 8) return false;
  for (char c : name)
    if (!IsHexDigit(c)) return false;
  return true;
}

const TConvParam* RowOfName(std::string_view name) {
  const int index = IndexOfName(name);
  return index == kNotInCatalogue ? nullptr : &ParamTable()[index - 1];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Leading spaces, optional sign, decimal or hex ("$", "0x", "0X", "x", "X"); nothing after.
// Decimal must fit a signed 64-bit number; hex may use all 64 bits (two's complement).
bool ParseInteger(std::string_view s, int64_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  }
  if (i == s.size()) return false;
  const uint64_t limit = hex ? UINT64_MAX : negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  const uint64_t base = hex ? 16 : 10;
  uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    const int d = hex ? HexValue(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return false;
    if (magnitude > (limit - static_cast<uint64_t>(d)) / base) return false;
    magnitude = magnitude * base + static_cast<uint64_t>(d);
  }
  value = static_cast<int64_t>(negative ? ~magnitude + 1 : magnitude);
  return true;
}

// Whether a number that a double cannot hold is below 1 in magnitude (else above): the
// power of ten of its first non-zero digit plus its exponent. number has the float syntax.
bool TinyMagnitude(std::string_view number) {
  const size_t e = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, e);
  const size_t dot = std::min(mantissa.find('.'), mantissa.size());
  const size_t first = mantissa.find_first_not_of("0.");
  if (first == std::string_view::npos) return true;
  const long long power = first < dot ? static_cast<long long>(dot - first) - 1
                                      : -static_cast<long long>(first - dot);
  long long exponent = 0;
  if (e != std::string_view::npos) {
    size_t i = e + 1;
    const bool negative = number[i] == '-';
    if (number[i] == '+' || number[i] == '-') ++i;
    for (; i < number.size() && exponent < 100000; ++i) exponent = exponent * 10 + (number[i] - '0');
    if (negative) exponent = -exponent;
  }
  return power + exponent < 0;
}

// Leading spaces, optional sign, digits with an optional "." and an optional exponent;
// "." whatever the locale; only magnitudes a single-precision number can hold.
bool ParseFloat(std::string_view s, float& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  const size_t signPos = i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t numberStart = i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  // from_chars takes neither a leading "+" nor a leading "." without digits before it
  // in every library, so parse the unsigned part and apply the sign.
  std::string number{s.substr(numberStart)};
  if (number[0] == '.') number.insert(number.begin(), '0');
  double d = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), d);
  if (end != number.data() + number.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Too small for a double is zero; too large is out of range.
    if (!TinyMagnitude(number)) return false;
    d = 0;
  } else if (ec != std::errc{}) {
    return false;
  }
  if (d > FLT_MAX) return false;
  value = static_cast<float>(s[signPos] == '-' ? -d : d);
  return true;
}

// The fields of a value, split once.
class Fields {
 public:
  explicit Fields(std::string_view text) {
    size_t start = 0;
    for (;;) {
      const size_t comma = text.find(',', start);
      parts_.push_back(text.substr(start, comma - start));
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
  }
  // 1-based like FieldOf; empty beyond the last.
  std::string_view operator[](int n) const {
    return n >= 1 && n <= static_cast<int>(parts_.size()) ? parts_[n - 1] : std::string_view{};
  }

 private:
  std::vector<std::string_view> parts_;
};

EncodeResult Failure(std::string reason) {
  EncodeResult r;
  r.reason = std::move(reason);
  return r;
}

std::string FieldLabel(int n, const FieldDef* f) {
  std::string label = "field " + std::to_string(n);
  if (f && !f->name.empty()) label += " (" + std::string(f->name) + ")";
  return label;
}

// Stores one numeric or text field at elem + its offset; false with the reason otherwise.
bool StoreField(const FieldDef& f, std::string_view text, int n, uint8_t* elem, std::string& why) {
  uint8_t* p = elem + f.offset;
  if (f.type == T::Text) {
    // A longer text is cut to the area, keeping room for the 0 byte.
    const size_t kept = std::min<size_t>(text.size(), f.area - 1u);
    for (size_t i = 0; i < kept; ++i) p[i] = static_cast<uint8_t>(text[i]);
    p[kept] = 0;
    return true;
  }
  if (text.empty()) {
    why = FieldLabel(n, &f) + " is missing";
    return false;
  }
  if (f.type == T::F4) {
    float v;
    if (!ParseFloat(text, v)) {
      why = FieldLabel(n, &f) + ": '" + std::string(text) + "' is not a number";
      return false;
    }
    WriteF4(p, v);
    return true;
  }
  int64_t v;
  if (!ParseInteger(text, v)) {
    why = FieldLabel(n, &f) + ": '" + std::string(text) + "' is not an integer";
    return false;
  }
  WriteLE(p, FieldSize(f), static_cast<uint64_t>(v));
  return true;
}

EncodeResult EncodeRaw(std::string_view line, std::string_view value, TData& out) {
  THeader hdr;
  HeaderOfLine(line, hdr);  // the name is 8 hex digits: always succeeds
  if (hdr.Len > kMaxRecordLen)
    return Failure("Len " + std::to_string(hdr.Len) + " is above " + std::to_string(kMaxRecordLen));
  if (value.size() != 2u * hdr.Len)
    return Failure("the value needs " + std::to_string(2 * hdr.Len) + " hex digits, not " +
                   std::to_string(value.size()));
  TData rec;
  rec.Hdr = hdr;
  for (int i = 0; i < hdr.Len; ++i) {
    const int hi = HexValue(value[2 * i]), lo = HexValue(value[2 * i + 1]);
    if (hi < 0 || lo < 0) {
      EncodeResult r = Failure("'$" + std::string(value.substr(2 * i, 2)) + "' is not a valid integer value");
      r.error = r.reason;
      return r;
    }
    rec.Data[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  out = rec;
  return {true, {}, {}};
}

// Encodes the value of a catalogue row into data (zeroed, row.Len bytes).
bool EncodeValue(const TConvParam& row, const Fields& fields, uint8_t* data, std::string& why) {
  const CodeLayout* layout = LayoutOfCode(row.Code);
  if (!layout) return true;
  const int perElement = FieldsPerElement(*layout);
  const int len = row.Len;
  int off = 0;
  for (int k = 0; k < row.Count; ++k) {
    const int base = k * perElement;
    if (layout->kind == CodeKind::String) {
      const std::string_view s = fields[k + 1];
      if (s.empty() && k > 0) break;
      for (char c : s) {
        if (off >= len) break;
        data[off++] = static_cast<uint8_t>(c);
      }
      if (off >= len) {
        why = FieldLabel(k + 1, nullptr) + ": the text does not fit in " + std::to_string(len) + " bytes";
        return false;
      }
      data[off++] = 0;
      continue;
    }
    if (layout->kind == CodeKind::List && k > 0 && fields[base + 1].empty()) break;
    if (off + layout->size > len) {
      why = "no room for element " + std::to_string(k + 1);
      return false;
    }
    int n = base;
    for (const FieldDef& f : layout->fields) {
      ++n;
      if (!StoreField(f, fields[n], n, data + off, why)) return false;
    }
    off += layout->size;
  }
  const int extra = row.Count * perElement + 1;
  if (!fields[extra].empty()) {
    why = "too many fields: " + std::to_string(row.Count * perElement) + " expected";
    return false;
  }
  return true;
}

}  // namespace

const CodeLayout* LayoutOfCode(int code) {
  return code >= kMinCode && code <= kMaxCode ? &kLayouts[code - 1] : nullptr;
}

int FieldSize(const FieldDef& field) {
  switch (field.type) {
    case T::U1:
    case T::S1: return 1;
    case T::U2: return 2;
    case T::Text: return field.area;
    default: return 4;
  }
}

int FieldsPerElement(const CodeLayout& layout) {
  return layout.kind == CodeKind::String ? 1 : static_cast<int>(layout.fields.size());
}

std::string DecodeParam(const TData& rec) { return Decode(ParamTable(), rec); }

std::string DecodeViewerParam(const TData& rec) { return Decode(ViewerParamTable(), rec); }

bool HeaderOfLine(std::string_view line, THeader& out) {
  const size_t eq = line.find('=');
  const std::string_view name = eq == std::string_view::npos ? std::string_view{} : line.substr(0, eq);
  if (IsRawName(name)) {
    uint32_t pid = 0, len = 0;
    for (int i = 0; i < 4; ++i) pid = pid << 4 | static_cast<uint32_t>(HexValue(name[i]));
    for (int i = 4; i < 8; ++i) len = len << 4 | static_cast<uint32_t>(HexValue(name[i]));
    out = {static_cast<uint16_t>(pid), static_cast<uint16_t>(len)};
    return true;
  }
  if (const TConvParam* row = RowOfName(name)) {
    out = {row->Pid, row->Len};
    return true;
  }
  return false;
}

EncodeResult EncodeParam(std::string_view line, TData& out) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return Failure("no '=' in the line");
  const std::string_view name = line.substr(0, eq), value = line.substr(eq + 1);
  if (IsRawName(name)) return EncodeRaw(line, value, out);
  const TConvParam* row = RowOfName(name);
  if (!row) return Failure("'" + std::string(name) + "' is not a parameter name");
  TData rec;
  rec.Hdr = {row->Pid, row->Len};
  std::string why;
  if (!EncodeValue(*row, Fields(value), rec.Data.data(), why)) return Failure(why);
  out = rec;
  return {true, {}, {}};
}

}  // namespace ravok
