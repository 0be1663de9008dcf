#include "host/memory/internal/cell_store.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace plrxl {

CellStore::CellStore() = default;
CellStore::~CellStore() = default;

CellStore::Slot CellStore::Writable(int row, int col) {
  std::unique_ptr<Column>& column = columns_[col - 1];
  if (!column) column = std::make_unique<Column>();
  const int block = (row - 1) / kChunkRows;
  std::unique_ptr<Chunk>& chunk = column->chunks[block];
  if (!chunk) {
    chunk = std::make_unique_for_overwrite<Chunk>();  // zeroed once, here: every cell empty
    std::memset(chunk.get(), 0, sizeof(Chunk));
    column->chunk_end = std::max(column->chunk_end, block + 1);
  }
  const int index = (row - 1) % kChunkRows;
  chunk->end = std::max(chunk->end, index + 1);
  return {chunk.get(), index};
}

uint32_t CellStore::AddText(std::shared_ptr<const std::string> text) {
  if (!free_texts_.empty()) {
    const uint32_t slot = free_texts_.back();
    free_texts_.pop_back();
    texts_[slot] = TextSlot{std::move(text), 1};
    return slot;
  }
  texts_.push_back(TextSlot{std::move(text), 1});
  return static_cast<uint32_t>(texts_.size() - 1);
}

uint32_t CellStore::AddSharedText(const std::shared_ptr<const std::string>& text) {
  auto [it, added] = shared_slots_.try_emplace(text.get(), 0);
  if (!added) {
    ++texts_[it->second].cells;
    return it->second;
  }
  try {
    it->second = AddText(text);
  } catch (...) {
    shared_slots_.erase(it);
    throw;
  }
  return it->second;
}

void CellStore::ReleaseText(uint32_t slot) {
  TextSlot& entry = texts_[slot];
  if (--entry.cells != 0) return;
  auto shared = shared_slots_.find(entry.text.get());
  if (shared != shared_slots_.end() && shared->second == slot) shared_slots_.erase(shared);
  entry.text.reset();
  free_texts_.push_back(slot);
}

void CellStore::Release(int row, int col, Chunk* chunk, int index) {
  const uint8_t kind = chunk->kind[index];
  if ((kind & kKindMask) == kText) {
    ReleaseText(static_cast<uint32_t>(chunk->payload[index]));
  }
  if (kind & kFormulaFlag) {
    formulas_.erase(Key(row, col));
    if (!arrays_.empty()) arrays_.erase(Key(row, col));
  }
}

Variant CellStore::Value(int row, int col) const {
  const Chunk* chunk = FindChunk(row, col);
  if (!chunk) return Variant();
  const int i = (row - 1) % kChunkRows;
  const uint64_t p = chunk->payload[i];
  switch (chunk->kind[i] & kKindMask) {
    case kNumber: return Variant(std::bit_cast<double>(p));
    case kDate: return Variant::Date(std::bit_cast<double>(p));
    case kText: return Variant(*texts_[static_cast<uint32_t>(p)].text);
    case kBoolean: return Variant(p != 0);
    case kError: return Variant(static_cast<CellError>(static_cast<int32_t>(p)));
    default: return Variant();
  }
}

void CellStore::SetValue(int row, int col, const Variant& value) {
  if (value.IsEmpty() && !FindChunk(row, col)) return;
  Slot s = Writable(row, col);
  uint8_t kind = kEmpty;
  uint64_t payload = 0;
  switch (value.Type()) {
    case VarType::kNumber: kind = kNumber, payload = std::bit_cast<uint64_t>(value.Number()); break;
    case VarType::kDate: kind = kDate, payload = std::bit_cast<uint64_t>(value.DateSerial()); break;
    case VarType::kText:  // the copy is made before the old content goes, so a failure changes nothing
      kind = kText, payload = AddText(std::make_shared<const std::string>(value.Text()));
      break;
    case VarType::kBoolean: kind = kBoolean, payload = value.Boolean() ? 1 : 0; break;
    case VarType::kError: kind = kError, payload = static_cast<uint32_t>(value.ErrorValue()); break;
    default: break;
  }
  Release(row, col, s.chunk, s.index);
  s.chunk->kind[s.index] = kind;
  s.chunk->payload[s.index] = payload;
}

void CellStore::SetSharedText(int row, int col, const std::shared_ptr<const std::string>& text) {
  Slot s = Writable(row, col);
  const uint32_t slot = AddSharedText(text);
  Release(row, col, s.chunk, s.index);
  s.chunk->kind[s.index] = kText;
  s.chunk->payload[s.index] = slot;
}

const std::string* CellStore::Formula(int row, int col) const {
  const Chunk* chunk = FindChunk(row, col);
  if (!chunk || !(chunk->kind[(row - 1) % kChunkRows] & kFormulaFlag)) return nullptr;
  return &formulas_.at(Key(row, col));
}

void CellStore::SetFormula(int row, int col, const std::string& formula, const Variant& cached) {
  SetValue(row, col, cached);
  if (formula.empty()) return;
  Slot s = Writable(row, col);
  s.chunk->kind[s.index] |= kFormulaFlag;
  formulas_[Key(row, col)] = formula;
}

void CellStore::SetArrayFormula(const Rect& range, const std::string& formula, const Variant& cached) {
  SetFormula(range.row1, range.col1, formula, cached);
  if (!formula.empty()) arrays_[Key(range.row1, range.col1)] = range;
}

std::optional<Rect> CellStore::ArrayRange(int row, int col) const {
  if (arrays_.empty()) return std::nullopt;
  auto found = arrays_.find(Key(row, col));
  if (found == arrays_.end()) return std::nullopt;
  return found->second;
}

std::vector<std::pair<int, int>> CellStore::FormulaCells() const {
  std::vector<uint32_t> keys;
  keys.reserve(formulas_.size());
  for (const auto& entry : formulas_) keys.push_back(entry.first);
  std::sort(keys.begin(), keys.end());
  std::vector<std::pair<int, int>> cells;
  cells.reserve(keys.size());
  for (uint32_t key : keys) cells.emplace_back(static_cast<int>(key / kMaxCols) + 1, static_cast<int>(key % kMaxCols) + 1);
  return cells;
}

int CellStore::StyleId(int row, int col) const {
  const Chunk* chunk = FindChunk(row, col);
  return chunk ? chunk->style[(row - 1) % kChunkRows] : 0;
}

void CellStore::SetStyleId(int row, int col, int id) {
  if (id == 0 && !FindChunk(row, col)) return;
  Slot s = Writable(row, col);
  s.chunk->style[s.index] = static_cast<uint16_t>(id);
}

bool CellStore::HasContent(int row, int col) const {
  const Chunk* chunk = FindChunk(row, col);
  return chunk && chunk->kind[(row - 1) % kChunkRows] != kEmpty;
}

void CellStore::MakeEmpty(int row, int col) {
  const Chunk* found = FindChunk(row, col);
  if (!found) return;
  Chunk* chunk = const_cast<Chunk*>(found);
  const int i = (row - 1) % kChunkRows;
  Release(row, col, chunk, i);
  chunk->kind[i] = kEmpty;
  chunk->payload[i] = 0;
  chunk->style[i] = 0;
}

void CellStore::Clear(const Rect& rect, bool values, bool formats) {
  for (int c = rect.col1; c <= rect.col2; ++c) {
    Column* column = columns_[c - 1].get();
    if (!column) continue;
    const int last = std::min(rect.row2, LastAllocatedRow(c));
    for (int r = rect.row1; r <= last; ++r) {
      Chunk* chunk = column->chunks[(r - 1) / kChunkRows].get();
      if (!chunk) {
        r = ((r - 1) / kChunkRows + 1) * kChunkRows;  // skip the missing chunk
        continue;
      }
      const int i = (r - 1) % kChunkRows;
      if (values && chunk->kind[i] != kEmpty) {
        Release(r, c, chunk, i);
        chunk->kind[i] = kEmpty;
        chunk->payload[i] = 0;
      }
      if (formats) chunk->style[i] = 0;
    }
  }
}

int CellStore::LastAllocatedRow(int col) const {
  const Column* column = columns_[col - 1].get();
  return column ? column->chunk_end * kChunkRows : 0;
}

void CellStore::Move(int from_row, int to_row, int col) {
  const Chunk* from = FindChunk(from_row, col);
  const int fi = (from_row - 1) % kChunkRows;
  if (!from || (from->kind[fi] == kEmpty && from->style[fi] == 0)) {
    MakeEmpty(to_row, col);
    return;
  }
  Slot to = Writable(to_row, col);
  from = FindChunk(from_row, col);
  to.chunk->kind[to.index] = from->kind[fi];
  to.chunk->payload[to.index] = from->payload[fi];
  to.chunk->style[to.index] = from->style[fi];
  if (from->kind[fi] & kFormulaFlag) {
    auto node = formulas_.extract(Key(from_row, col));
    node.key() = Key(to_row, col);
    formulas_.insert(std::move(node));
    if (auto array = arrays_.extract(Key(from_row, col))) {
      array.key() = Key(to_row, col);
      array.mapped().row1 += to_row - from_row;
      array.mapped().row2 += to_row - from_row;
      arrays_.insert(std::move(array));
    }
  }
  // The source now holds nothing; its text slot moved with the payload.
  Chunk* src = const_cast<Chunk*>(from);
  src->kind[fi] = kEmpty;
  src->payload[fi] = 0;
  src->style[fi] = 0;
}

void CellStore::ShiftDown(const Rect& rect) {
  const int n = rect.Rows();
  for (int c = rect.col1; c <= rect.col2; ++c) {
    const int last = LastAllocatedRow(c);
    if (last < rect.row1) continue;
    for (int r = std::max(kMaxRows - n + 1, rect.row1); r <= kMaxRows; ++r) MakeEmpty(r, c);
    for (int r = std::min(last, kMaxRows - n); r >= rect.row1; --r) Move(r, r + n, c);
  }
}

void CellStore::ShiftUp(const Rect& rect) {
  const int n = rect.Rows();
  for (int c = rect.col1; c <= rect.col2; ++c) {
    const int last = LastAllocatedRow(c);
    if (last < rect.row1) continue;
    for (int r = rect.row1; r <= rect.row2; ++r) MakeEmpty(r, c);
    for (int r = rect.row2 + 1; r <= last; ++r) Move(r, r - n, c);
  }
}

void CellStore::ForEach(const Rect& rect, const std::function<void(int row, int col)>& visit) const {
  // Only the columns holding a chunk, down to the lowest chunk among them,
  // and in each chunk only down to its last written row: whole columns or
  // the whole sheet cost what the sheet holds, not the grid.
  std::vector<int> held;
  int last_block = -1;
  for (int c = rect.col1; c <= rect.col2; ++c) {
    const int last_row = LastAllocatedRow(c);
    if (last_row == 0) continue;
    held.push_back(c);
    last_block = std::max(last_block, last_row / kChunkRows - 1);
  }
  std::vector<int> cols;
  for (int block = (rect.row1 - 1) / kChunkRows; block <= std::min(last_block, (rect.row2 - 1) / kChunkRows); ++block) {
    cols.clear();
    int end = 0;  // past the last row of the block that any of them wrote
    for (int c : held) {
      if (const Chunk* chunk = columns_[c - 1]->chunks[block].get()) {
        cols.push_back(c);
        end = std::max(end, chunk->end);
      }
    }
    if (cols.empty()) continue;
    const int first = std::max(rect.row1, block * kChunkRows + 1);
    const int last = std::min(rect.row2, block * kChunkRows + end);
    for (int r = first; r <= last; ++r) {
      const int i = (r - 1) % kChunkRows;
      for (int c : cols) {
        const Chunk* chunk = columns_[c - 1]->chunks[block].get();
        if (chunk->kind[i] != kEmpty || chunk->style[i] != 0) visit(r, c);
      }
    }
  }
}

std::optional<Rect> CellStore::Used() const {
  // Per column, its first and its last cell from either end of what it
  // allocated: the cost is the columns', not the cells'.
  auto held = [](const Chunk& chunk, int i) { return chunk.kind[i] != kEmpty || chunk.style[i] != 0; };
  Rect used{kMaxRows + 1, kMaxCols + 1, 0, 0};
  for (int c = 1; c <= kMaxCols; ++c) {
    const Column* column = columns_[c - 1].get();
    if (column == nullptr) continue;
    int first = 0, last = 0;
    for (int block = 0; block < column->chunk_end && first == 0; ++block) {
      const Chunk* chunk = column->chunks[block].get();
      for (int i = 0; chunk != nullptr && i < chunk->end; ++i) {
        if (held(*chunk, i)) {
          first = block * kChunkRows + i + 1;
          break;
        }
      }
    }
    if (first == 0) continue;
    for (int block = column->chunk_end - 1; block >= 0 && last == 0; --block) {
      const Chunk* chunk = column->chunks[block].get();
      for (int i = chunk != nullptr ? chunk->end - 1 : -1; i >= 0; --i) {
        if (held(*chunk, i)) {
          last = block * kChunkRows + i + 1;
          break;
        }
      }
    }
    used.row1 = std::min(used.row1, first);
    used.row2 = std::max(used.row2, last);
    used.col1 = std::min(used.col1, c);
    used.col2 = std::max(used.col2, c);
  }
  if (used.row2 == 0) return std::nullopt;
  return used;
}

std::optional<std::pair<int, int>> CellStore::LastWithContent(const Rect& rect) const {
  // The lowest row holding content in any column, then its rightmost cell.
  int best_row = 0;
  for (int c = rect.col1; c <= rect.col2; ++c) {
    for (int r = std::min(rect.row2, LastAllocatedRow(c)); r > std::max(best_row, rect.row1 - 1); --r) {
      if (HasContent(r, c)) {
        best_row = r;
        break;
      }
    }
  }
  if (best_row == 0) return std::nullopt;
  for (int c = rect.col2; c >= rect.col1; --c)
    if (HasContent(best_row, c)) return std::make_pair(best_row, c);
  return std::nullopt;
}

size_t CellStore::MemoryUsage() const {
  size_t bytes = sizeof(*this);
  for (const auto& column : columns_) {
    if (!column) continue;
    bytes += sizeof(Column);
    for (const auto& chunk : column->chunks)
      if (chunk) bytes += sizeof(Chunk);
  }
  bytes += texts_.capacity() * sizeof(TextSlot);
  bytes += shared_slots_.size() * 32;
  for (const TextSlot& t : texts_) {
    // A shared text counts in full with the first sheet that holds it.
    if (t.text && t.text.use_count() == 1) bytes += 48 + (t.text->capacity() > 15 ? t.text->capacity() : 0);
  }
  for (const auto& f : formulas_) bytes += 64 + f.second.capacity();
  bytes += arrays_.size() * 48;
  return bytes;
}

}  // namespace plrxl
