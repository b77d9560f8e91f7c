// Byte layouts of the value codes: how one element of a parameter is laid out in the
// record and which fields its text shows. Shared by the decoder and the encoder.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace ravok {

enum class FieldType : uint8_t {
  U1,
  U2,
  U4,
  S1,    // signed byte
  F4,    // IEEE single
  X4,    // U4 written in hex output: $XXXX up to 65535, else $XXXXXXXX
  D4,    // U4 written in decimal up to 65535, else $XXXXXXXX
  Text,  // 0-terminated text in an area of `area` bytes (at most area - 1 characters)
};

struct FieldDef {
  uint8_t offset;
  FieldType type;
  std::string_view name;
  uint8_t area = 0;  // Text only
};

enum class CodeKind : uint8_t {
  String,  // code 1: 0-terminated strings packed into the Len bytes, list ends at an empty one
  List,    // one number per element; the list ends at the first 0 (output) / empty (input)
  Fixed,   // every element with every field
};

struct CodeLayout {
  CodeKind kind;
  int size;  // element bytes (0 for String)
  std::initializer_list<FieldDef> fields;
};

constexpr int kMinCode = 1;
constexpr int kMaxCode = 28;

// Layout of a code, or nullptr for a code outside 1 to 28.
const CodeLayout* LayoutOfCode(int code);
// Bytes of a field of this type in the record.
int FieldSize(const FieldDef& field);
// Fields of one element in the text form (1 for String).
int FieldsPerElement(const CodeLayout& layout);

}  // namespace ravok
