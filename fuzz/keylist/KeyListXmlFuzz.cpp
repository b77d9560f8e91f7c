// The key list XML reader on arbitrary bytes: it either refuses the document or reads it, and
// what it read can be written again.
#include <cstddef>
#include <cstdint>

#include "keylist/KeyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ravok::KeyList list;
  const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (ravok::ParseKeyListXml(xml, list)) {
    (void)ravok::BuildKeyListXml(list, QStringLiteral("1/1/26"));
    if (ravok::FirstBadKey(list.keys) < 0 && list.keys.size() <= ravok::kMaxKeyListKeys)
      (void)ravok::BuildKeyListBinary(list.keys, ravok::ListNumberOf(list.crcc));
  }
  return 0;
}
