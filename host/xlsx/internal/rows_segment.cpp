#include "host/xlsx/internal/rows_segment.h"

#include <algorithm>

namespace plrxl::xlsx {

namespace {

constexpr uint8_t kVersion = 2;
constexpr size_t kSize = 1 + 8 * 5 + 4 * 2 + 2;
constexpr size_t kCheckpointSize = 8 * 2 + 4 * 2;

void Put(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

uint64_t Get(const uint8_t*& data, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= uint64_t{data[i]} << (8 * i);
  data += bytes;
  return value;
}

}  // namespace

std::string EncodeRowsSegment(const RowsSegment& s) {
  std::string out(1, static_cast<char>(kVersion));
  Put(out, s.deflated_begin, 8);
  Put(out, s.deflated_end, 8);
  Put(out, s.text_begin, 8);
  Put(out, s.text_end, 8);
  Put(out, s.part_compressed, 8);
  Put(out, s.rows_crc, 4);
  Put(out, s.part_crc, 4);
  const size_t count = std::min(s.checkpoints.size(), kMaxRowsCheckpoints);
  Put(out, count, 2);
  for (size_t i = 0; i < count; ++i) {
    const RowsCheckpoint& c = s.checkpoints[i];
    Put(out, c.deflated, 8);
    Put(out, c.text, 8);
    Put(out, c.crc, 4);
    Put(out, c.row, 4);
  }
  return out;
}

std::optional<RowsSegment> DecodeRowsSegment(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kSize || data[0] != kVersion) return std::nullopt;
  const uint8_t* end = data + size;
  ++data;
  RowsSegment s;
  s.deflated_begin = Get(data, 8);
  s.deflated_end = Get(data, 8);
  s.text_begin = Get(data, 8);
  s.text_end = Get(data, 8);
  s.part_compressed = Get(data, 8);
  s.rows_crc = static_cast<uint32_t>(Get(data, 4));
  s.part_crc = static_cast<uint32_t>(Get(data, 4));
  const size_t count = static_cast<size_t>(Get(data, 2));
  if (static_cast<size_t>(end - data) != count * kCheckpointSize) return std::nullopt;
  uint64_t deflated = s.deflated_begin, text = s.text_begin;
  for (size_t i = 0; i < count; ++i) {
    RowsCheckpoint c;
    c.deflated = Get(data, 8);
    c.text = Get(data, 8);
    c.crc = static_cast<uint32_t>(Get(data, 4));
    c.row = static_cast<uint32_t>(Get(data, 4));
    if (c.deflated <= deflated || c.deflated >= s.deflated_end || c.text <= text || c.text >= s.text_end) {
      return std::nullopt;
    }
    deflated = c.deflated, text = c.text;
    s.checkpoints.push_back(c);
  }
  if (s.deflated_begin < 4 || s.deflated_end < s.deflated_begin + 4 || s.deflated_end > s.part_compressed ||
      s.text_end < s.text_begin) {
    return std::nullopt;
  }
  return s;
}

}  // namespace plrxl::xlsx
