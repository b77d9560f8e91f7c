// The parameter catalogue and the conversions between a binary parameter record and its
// parameter line ("Name=field,field,..."). Text is std::string holding one byte per char
// (Latin-1); callers working with Unicode text convert at their edge.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/FloatText.h"
#include "params/Records.h"

namespace ravok {

// Marker colours of the configuration list, 0xRRGGBB.
constexpr uint32_t kColorRed = 0xFF0000;
constexpr uint32_t kColorLime = 0x00FF00;
constexpr uint32_t kColorGreen = 0x008000;
constexpr uint32_t kColorYellow = 0xFFFF00;
constexpr uint32_t kColorNavy = 0x000080;
constexpr uint32_t kColorPurple = 0x800080;
constexpr uint32_t kColorBlue = 0x0000FF;
constexpr uint32_t kColorFuchsia = 0xFF00FF;
constexpr uint32_t kColorAqua = 0x00FFFF;
constexpr uint32_t kColorMaroon = 0x800000;
constexpr uint32_t kColorSilver = 0xC0C0C0;  // names outside the catalogue

constexpr int kParamRows = 437;
constexpr int kViewerParamRows = 181;
// IndexOfName / IndexOfPid of something that is not in the catalogue.
constexpr int kNotInCatalogue = kParamRows + 1;
// Longest data a raw line may carry: the record's data area.
constexpr int kMaxRecordLen = kRecordDataSize;

struct TConvParam {
  std::string_view Name;
  uint16_t Pid;
  uint16_t Len;
  std::string_view Default;
  int32_t Code;    // layout of one element, 1 to 28
  int32_t Count;   // number of elements
  int32_t Dialog;  // typed editor number, 0 for none
  uint32_t Color;  // 0xRRGGBB
  bool Info;       // value starts with a ParameterId, ParameterIndex pair of ConfigNames
};

const std::vector<TConvParam>& ParamTable();        // 437 rows, catalogue order
const std::vector<TConvParam>& ViewerParamTable();  // 181 rows, the viewer's older catalogue

struct TConfigNames {
  uint16_t Id;
  uint16_t Index;
  std::string_view Desc;
};
const std::vector<TConfigNames>& ConfigNames();  // 120 rows

// Row accessors take a 0-based row below ParamCount(); positions returned are 1-based and
// kNotInCatalogue (438) when not found.
int ParamCount();
std::string ParamName(int row0);
std::string ParamDefault(int row0);
int ParamDialogNo(int row0);
int DialogOfName(std::string_view name);   // 0 when not in the catalogue
int IndexOfName(std::string_view name);
int IndexOfPid(uint16_t pid);
uint32_t ColorOfName(std::string_view name);  // kColorSilver when not in the catalogue
bool InfoOfName(std::string_view name);
std::string ConfigNameOf(uint16_t id, uint16_t index);  // empty when unknown

// The n-th (1-based) comma-separated field of text, untrimmed; empty when there are fewer.
std::string FieldOf(int n, std::string_view text);
bool IsHexDigit(char c);

// Record to parameter line; never fails. Records outside the catalogue (unknown Pid, or
// a known Pid with another Len) become raw lines "PPPPLLLL=hexbytes".
std::string DecodeParam(const TData& rec);        // main catalogue
std::string DecodeViewerParam(const TData& rec);  // the viewer's catalogue

struct EncodeResult {
  bool ok = false;
  // Non-empty only for the conversion error of a raw value with a non-hex pair: the caller
  // stops at that line and shows this message.
  std::string error;
  // Why the line does not encode (set on every failure), for diagnostics such as ravokctl.
  std::string reason;
  explicit operator bool() const { return ok; }
};

// Parameter line to record. On failure out is left unchanged.
EncodeResult EncodeParam(std::string_view line, TData& out);
// The header a line stands for, from its name alone; false (out unchanged) when the name
// is neither 8 hex digits nor a catalogue name.
bool HeaderOfLine(std::string_view line, THeader& out);

}  // namespace ravok
