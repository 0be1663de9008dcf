#include "quotes/store/bar_block.h"

#include <cstring>

namespace plrxl {
namespace {

// A record: one 64-bit word holding the day (low 22 bits), the final flag
// (bit 22) and the fetch id (the 41 bits above), then open, high, low,
// close, volume, open interest and adjusted close (doubles), in the
// machine's byte order.
constexpr size_t kRecord = 8 + 7 * 8;
constexpr int kDayBits = 22;
constexpr uint64_t kDayMask = (uint64_t{1} << kDayBits) - 1;

template <typename T>
void Put(std::string* out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out->append(bytes, sizeof(T));
}

template <typename T>
T Take(const char** at) {
  T value;
  std::memcpy(&value, *at, sizeof(T));
  *at += sizeof(T);
  return value;
}

}  // namespace

int64_t YearOf(int64_t day) {
  int y, m, d;
  quotes::SerialToCivil(static_cast<double>(day), &y, &m, &d);
  return static_cast<int64_t>(quotes::CivilToSerial(y, 1, 1));
}

int64_t YearEndOf(int64_t day) {
  int y, m, d;
  quotes::SerialToCivil(static_cast<double>(day), &y, &m, &d);
  return static_cast<int64_t>(quotes::CivilToSerial(y, 12, 31));
}

std::string EncodeBlock(const std::vector<StoredBar>& bars) {
  std::string out;
  out.reserve(bars.size() * kRecord);
  for (const StoredBar& s : bars) {
    Put<uint64_t>(&out, (static_cast<uint64_t>(s.fetch_id) << (kDayBits + 1)) | (s.final ? kDayMask + 1 : 0) |
                            (static_cast<uint64_t>(s.day) & kDayMask));
    for (double v : {s.bar.open, s.bar.high, s.bar.low, s.bar.close, s.bar.volume, s.bar.open_interest,
                     s.bar.adj_close}) {
      Put<double>(&out, v);
    }
  }
  return out;
}

bool DecodeBlock(std::string_view block, std::vector<StoredBar>* out) {
  if (block.size() % kRecord != 0) return false;
  const char* at = block.data();
  for (size_t i = 0; i < block.size() / kRecord; ++i) {
    StoredBar s;
    const uint64_t word = Take<uint64_t>(&at);
    s.day = static_cast<int64_t>(word & kDayMask);
    s.final = (word & (kDayMask + 1)) != 0;
    s.fetch_id = static_cast<int64_t>(word >> (kDayBits + 1));
    s.bar.date = static_cast<double>(s.day);
    for (double* v : {&s.bar.open, &s.bar.high, &s.bar.low, &s.bar.close, &s.bar.volume, &s.bar.open_interest,
                      &s.bar.adj_close}) {
      *v = Take<double>(&at);
    }
    out->push_back(s);
  }
  return true;
}

}  // namespace plrxl
