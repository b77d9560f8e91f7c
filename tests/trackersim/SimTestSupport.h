// Requests as the manager builds them, and a tracker driven on a fake time line.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "locallink/Frame.h"
#include "tools/trackersim/TrackerCore.h"

namespace ravok::sim::test {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;
using std::chrono::microseconds;

inline Bytes Request(uint8_t seq, uint8_t cmd, uint8_t sub, Bytes args = {}) {
  Bytes p = {1, 1, proto::kFixed, proto::kOriginManager, seq, cmd, sub};
  p.insert(p.end(), args.begin(), args.end());
  return BuildFrame(p);
}

inline Bytes Le16(uint16_t v) { return {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)}; }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// An answer frame from its payload after the sequence number.
inline Bytes AnswerFrame(uint8_t seq, Bytes rest) {
  Bytes p = {1, 1, proto::kFixed, proto::kOriginTracker, seq};
  p.insert(p.end(), rest.begin(), rest.end());
  return BuildFrame(p);
}

inline TData Rec(uint16_t pid, uint16_t len, Bytes data) {
  TData r;
  r.Hdr = {pid, len};
  for (size_t i = 0; i < data.size(); ++i) r.Data[i] = data[i];
  return r;
}

// Description=Van 12, ServerPort=9000 and a record outside the catalogue.
inline TDataList SmallConfig() {
  return {Rec(1, 16, {'V', 'a', 'n', ' ', '1', '2'}), Rec(7, 2, {0x28, 0x23}), Rec(999, 2, {0x01, 0xAB})};
}

inline SimOptions SmallOptions() {
  SimOptions o;
  o.config = SmallConfig();
  return o;
}

// Sends a request at `now` and collects everything due up to `until`.
inline Bytes Exchange(TrackerCore& t, const Bytes& req, Duration now = {}, Duration until = {}) {
  t.Receive(req.data(), req.size(), now);
  return t.TakeOutput(std::max(now, until));
}

}  // namespace ravok::sim::test
