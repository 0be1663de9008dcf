#include "host/xlsx/internal/rows_segment.h"

namespace plrxl::xlsx {

namespace {

constexpr uint8_t kVersion = 1;
constexpr size_t kSize = 1 + 8 * 5 + 4 * 2;

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
  return out;
}

std::optional<RowsSegment> DecodeRowsSegment(const uint8_t* data, size_t size) {
  if (data == nullptr || size != kSize || data[0] != kVersion) return std::nullopt;
  ++data;
  RowsSegment s;
  s.deflated_begin = Get(data, 8);
  s.deflated_end = Get(data, 8);
  s.text_begin = Get(data, 8);
  s.text_end = Get(data, 8);
  s.part_compressed = Get(data, 8);
  s.rows_crc = static_cast<uint32_t>(Get(data, 4));
  s.part_crc = static_cast<uint32_t>(Get(data, 4));
  if (s.deflated_begin < 4 || s.deflated_end < s.deflated_begin + 4 || s.deflated_end > s.part_compressed ||
      s.text_end < s.text_begin) {
    return std::nullopt;
  }
  return s;
}

}  // namespace plrxl::xlsx
