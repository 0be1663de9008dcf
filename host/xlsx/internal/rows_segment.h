// Where a saved sheet part's rows stand in its deflated bytes. The save
// deflates each sheet part in three pieces, the text up to <sheetData>, the
// rows, and the rest, each ending on a full flush: the rows' deflated bytes
// then stand alone, and a later save of the sheet with rows only added
// after them copies those bytes as they are and deflates only the new rows
// (a daily update costs its new rows, not the whole sheet). The save notes
// where the rows stand in an extra field of the part's zip entry, which
// other programs ignore; the field also names the entry it was made for,
// so a part another program rewrote is never taken for one of ours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace plrxl::xlsx {

// The extra field's header id.
inline constexpr uint16_t kRowsSegmentField = 0x6c70;

struct RowsSegment {
  uint64_t deflated_begin = 0, deflated_end = 0;  // in the entry's deflated bytes
  uint64_t text_begin = 0, text_end = 0;          // in the part's text: the rows
  uint32_t rows_crc = 0;                          // CRC-32 of the rows' text
  // The entry the field describes.
  uint32_t part_crc = 0;
  uint64_t part_compressed = 0;
};

std::string EncodeRowsSegment(const RowsSegment& segment);
// Null when the bytes are not a field of this version.
std::optional<RowsSegment> DecodeRowsSegment(const uint8_t* data, size_t size);

}  // namespace plrxl::xlsx
