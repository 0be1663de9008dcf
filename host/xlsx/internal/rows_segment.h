// Where a saved sheet part's rows stand in its deflated bytes. The save
// deflates each sheet part in pieces, the text up to <sheetData>, the rows
// in runs of some 64 KB or more with the last few rows in a short run of
// their own, and the rest, each ending on a full flush:
// the deflated bytes of every run then stand alone, and a later save of a
// sheet changed only from some row on copies the runs before that row as
// they are and deflates only the rest (a daily update, which may correct
// the last bar and adds a few, costs those rows, not the whole sheet). The save notes
// where the rows stand in an extra field of the part's zip entry, which
// other programs ignore; the field also names the entry it was made for,
// so a part another program rewrote is never taken for one of ours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plrxl::xlsx {

// The extra field's header id.
inline constexpr uint16_t kRowsSegmentField = 0x6c70;

// Where a run of rows starts, just after a full flush.
struct RowsCheckpoint {
  uint64_t deflated = 0, text = 0;  // as in RowsSegment
  uint32_t crc = 0;                 // CRC-32 of the rows' text before it
  uint32_t row = 0;                 // the row starting there
  bool operator==(const RowsCheckpoint&) const = default;
};

struct RowsSegment {
  uint64_t deflated_begin = 0, deflated_end = 0;  // in the entry's deflated bytes
  uint64_t text_begin = 0, text_end = 0;          // in the part's text: the rows
  uint32_t rows_crc = 0;                          // CRC-32 of the rows' text
  std::vector<RowsCheckpoint> checkpoints;        // inside the rows, ascending
  // The entry the field describes.
  uint32_t part_crc = 0;
  uint64_t part_compressed = 0;
};

std::string EncodeRowsSegment(const RowsSegment& segment);
// The last rows of a saved part, some 15 quote rows, start a run of their
// own: an update that corrects the last bar and appends a few rewrites
// about this much of the rows, not a whole run.
inline constexpr uint64_t kRowsTailRun = 4096;

// At most this many checkpoints: the field stays far below the 64 KB a zip
// extra field may hold.
inline constexpr size_t kMaxRowsCheckpoints = 1000;

// Null when the bytes are not a field of this version.
std::optional<RowsSegment> DecodeRowsSegment(const uint8_t* data, size_t size);

}  // namespace plrxl::xlsx
