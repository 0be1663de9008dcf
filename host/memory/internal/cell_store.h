// CellStore: the cells of one sheet, kept compactly.
//
// Each column holds up to 64 chunks of 1,024 rows, allocated when a row of
// the chunk is first written. A chunk keeps its cells in three parallel
// arrays: an 8-byte payload (the number, the date serial, a text's slot in
// the sheet's text pool, a Boolean or an error code), a 16-bit style id and
// an 8-bit kind, so a numeric cell costs 11 bytes and no allocation of its
// own. Formula texts live in a side table keyed by cell position, and the
// ranges of array formulas in another, keyed by their top-left cell. Texts are
// pooled per sheet and their slots reused when a cell is overwritten. A
// text handed in as a SharedText (a loaded workbook's shared strings) is
// held once: every cell showing it refers to the same slot, and the slot
// refers to the caller's string, so many cells and many sheets share one
// copy.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/address.h"
#include "host/variant.h"

namespace plrxl {

class CellStore {
 public:
  static constexpr int kChunkRows = 1024;
  static constexpr int kChunksPerColumn = kMaxRows / kChunkRows;

  CellStore();
  ~CellStore();

  // Rows and columns are 1-based and must lie inside the grid (the caller
  // checks).
  Variant Value(int row, int col) const;
  void SetValue(int row, int col, const Variant& value);
  // Sets a text cell to a text held elsewhere, without copying it.
  void SetSharedText(int row, int col, const std::shared_ptr<const std::string>& text);
  const std::string* Formula(int row, int col) const;  // nullptr when none
  void SetFormula(int row, int col, const std::string& formula, const Variant& cached);
  // An array formula over range, held by its top-left cell (in range).
  void SetArrayFormula(const Rect& range, const std::string& formula, const Variant& cached);
  // The range of the array formula whose top-left cell this is.
  std::optional<Rect> ArrayRange(int row, int col) const;
  int StyleId(int row, int col) const;
  void SetStyleId(int row, int col, int id);
  bool HasContent(int row, int col) const;  // value or formula
  // Positions {row, col} of every formula cell, row by row.
  std::vector<std::pair<int, int>> FormulaCells() const;

  void Clear(const Rect& rect, bool values, bool formats);
  void ShiftDown(const Rect& rect);
  void ShiftUp(const Rect& rect);

  // Row by row, left to right: every cell in rect with content or a style.
  void ForEach(const Rect& rect, const std::function<void(int row, int col)>& visit) const;
  std::optional<Rect> Used() const;
  std::optional<std::pair<int, int>> LastWithContent(const Rect& rect) const;
  // Bytes held by chunks, the text pool and the formula table.
  size_t MemoryUsage() const;

 private:
  enum Kind : uint8_t { kEmpty, kNumber, kDate, kText, kBoolean, kError };
  static constexpr uint8_t kKindMask = 0x7F;
  static constexpr uint8_t kFormulaFlag = 0x80;

  struct Chunk {
    uint64_t payload[kChunkRows];
    uint16_t style[kChunkRows];
    uint8_t kind[kChunkRows];
    int end;  // one past the highest index ever written: the rest is empty
  };
  struct Column {
    std::array<std::unique_ptr<Chunk>, kChunksPerColumn> chunks;
    int chunk_end = 0;  // one past the lowest allocated chunk (chunks are never freed)
  };
  struct Slot {  // one cell inside its chunk
    Chunk* chunk;
    int index;
  };

  const Chunk* FindChunk(int row, int col) const {
    const Column* column = columns_[col - 1].get();
    return column ? column->chunks[(row - 1) / kChunkRows].get() : nullptr;
  }
  Slot Writable(int row, int col);
  static uint32_t Key(int row, int col) { return static_cast<uint32_t>(row - 1) * kMaxCols + (col - 1); }
  // Frees the cell's text slot and formula; leaves kind/payload stale.
  void Release(int row, int col, Chunk* chunk, int index);
  // Moves a cell (content, style, formula) onto an empty-released target.
  void Move(int from_row, int to_row, int col);
  void MakeEmpty(int row, int col);
  uint32_t AddText(std::shared_ptr<const std::string> text);
  uint32_t AddSharedText(const std::shared_ptr<const std::string>& text);
  void ReleaseText(uint32_t slot);
  int LastAllocatedRow(int col) const;

  std::array<std::unique_ptr<Column>, kMaxCols> columns_;  // allocated on first write
  struct TextSlot {
    std::shared_ptr<const std::string> text;
    uint32_t cells = 0;  // cells referring to this slot
  };
  std::vector<TextSlot> texts_;
  std::vector<uint32_t> free_texts_;
  std::unordered_map<const std::string*, uint32_t> shared_slots_;  // slot of each shared text
  std::unordered_map<uint32_t, std::string> formulas_;
  std::unordered_map<uint32_t, Rect> arrays_;  // of the formula cells that start an array formula
};

}  // namespace plrxl
