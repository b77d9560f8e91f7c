// Catalogue lookups and the field helpers of the text form.
#include "params/Params.h"

#include <unordered_map>

namespace ravok {
namespace {

// 1-based positions of the first row with each name and each Pid.
struct CatalogueIndex {
  std::unordered_map<std::string_view, int> byName;
  std::unordered_map<uint16_t, int> byPid;

  CatalogueIndex() {
    const auto& rows = ParamTable();
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
      byName.emplace(rows[i].Name, i + 1);  // emplace keeps the first
      byPid.emplace(rows[i].Pid, i + 1);
    }
  }
};

const CatalogueIndex& Index() {
  static const CatalogueIndex index;
  return index;
}

const TConvParam* RowNamed(std::string_view name) {
  const int pos = IndexOfName(name);
  return pos == kNotInCatalogue ? nullptr : &ParamTable()[pos - 1];
}

}  // namespace

int ParamCount() { return static_cast<int>(ParamTable().size()); }
std::string ParamName(int row0) { return std::string(ParamTable()[row0].Name); }
std::string ParamDefault(int row0) { return std::string(ParamTable()[row0].Default); }
int ParamDialogNo(int row0) { return ParamTable()[row0].Dialog; }

int IndexOfName(std::string_view name) {
  const auto& map = Index().byName;
  const auto it = map.find(name);
  return it == map.end() ? kNotInCatalogue : it->second;
}

int IndexOfPid(uint16_t pid) {
  const auto& map = Index().byPid;
  const auto it = map.find(pid);
  return it == map.end() ? kNotInCatalogue : it->second;
}

int DialogOfName(std::string_view name) {
  const TConvParam* row = RowNamed(name);
  return row ? row->Dialog : 0;
}

uint32_t ColorOfName(std::string_view name) {
  const TConvParam* row = RowNamed(name);
  return row ? row->Color : kColorSilver;
}

bool InfoOfName(std::string_view name) {
  const TConvParam* row = RowNamed(name);
  return row && row->Info;
}

std::string ConfigNameOf(uint16_t id, uint16_t index) {
  for (const TConfigNames& row : ConfigNames())
    if (row.Id == id && row.Index == index) return std::string(row.Desc);
  return {};
}

std::string FieldOf(int n, std::string_view text) {
  if (n < 1) return {};
  size_t start = 0;
  for (int i = 1; i < n; ++i) {
    const size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  const size_t end = text.find(',', start);
  return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace ravok
