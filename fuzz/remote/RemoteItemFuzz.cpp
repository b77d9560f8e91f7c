// Answer lines from the server as arbitrary Latin-1 text: the item readers must never read
// or write past a record and must accept only records whose data matches their length.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "remotelink/ServerOps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ravok;
  const QString line =
      QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (const int n = CountHeaderLength(line); n > 0) (void)HeaderCount(line, n);
  QString item = ItemText(line);
  if (item.isNull()) item = line;
  for (int n = 0; n <= 12; ++n) (void)ItemField(item, n);
  (void)DeviceOfItem(item);
  (void)UdpModeOfItem(item);
  TData rec;
  if (ParseDataItem(item, rec)) {
    if (rec.Hdr.Len > kRecordDataSize || ItemField(item, 3).size() != 2 * rec.Hdr.Len) std::abort();
    // The record written back gives the same record.
    TData again;
    const QString back = QString::number(rec.Hdr.Pid) + "," + QString::number(rec.Hdr.Len) + "," +
                         HexOf(std::span(rec.Data.data(), rec.Hdr.Len));
    if (!ParseDataItem(back, again) || !(again == rec)) std::abort();
  }
  return 0;
}
