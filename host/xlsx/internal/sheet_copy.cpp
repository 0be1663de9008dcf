#include "host/xlsx/internal/sheet_copy.h"

#include <zip.h>

#include <algorithm>
#include <cstring>

#include "host/xlsx/internal/carried_features.h"
#include "host/xlsx/internal/carry_edits.h"
#include "host/xlsx/internal/zip_reader.h"

namespace plrxl::xlsx {

namespace {

constexpr const char* kStringsPart = "xl/sharedStrings.xml";
constexpr const char* kStringsType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
constexpr const char* kStringsContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

// The directory entry still describes the part as it was loaded.
bool SameEntry(zip_t* archive, uint64_t index, const LoadedSheetPart& loaded) {
  zip_stat_t st;
  if (zip_stat_index(archive, index, 0, &st) != 0) return false;
  const zip_uint64_t wanted = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
  return (st.valid & wanted) == wanted && st.size == loaded.size && st.comp_size == loaded.compressed_size &&
         st.crc == loaded.crc && st.comp_method == loaded.method &&
         (loaded.method == ZIP_CM_DEFLATE || loaded.method == ZIP_CM_STORE);
}

// Carried features that reach other parts through the sheet's own
// relationships: the part cannot stand alone.
bool NeedsRelationships(const Worksheet& sheet) {
  const std::shared_ptr<const CarriedSheetFeatures> carried = sheet.CarriedFeatures();
  return carried && (!carried->relationships.empty() || !carried->anchors.empty() || !carried->parts.empty());
}

}  // namespace

struct SheetCopies::Source {
  std::shared_ptr<const LoadedPackage> package;
  zip_t* archive = nullptr;
  ~Source() {
    if (archive != nullptr) zip_discard(archive);
  }
};

SheetCopies::SheetCopies(Workbook& workbook, bool macro_enabled) : workbook_(workbook) {
  const int count = workbook.WorksheetCount();
  // Formula results first: reading a formula cell computes whatever is
  // stale, and a result that changes changes its sheet.
  for (int i = 1; i <= count; ++i) {
    Worksheet& sheet = workbook.WorksheetAt(i);
    if (const auto loaded = sheet.LoadedPart(); loaded && loaded->formula_row > 0) {
      sheet.CellValue(loaded->formula_row, loaded->formula_col);
    }
  }
  const Worksheet* active = workbook.ActiveSheet();
  candidates_.resize(static_cast<size_t>(count));
  for (int i = 1; i <= count; ++i) {
    Worksheet& sheet = workbook.WorksheetAt(i);
    std::shared_ptr<const LoadedSheetPart> loaded = sheet.LoadedPart();
    if (!loaded || !loaded->package || loaded->rewritten) continue;
    if (loaded->package->date1904 != workbook.Date1904()) continue;
    if (loaded->shared_strings && loaded->package->strings_part.empty()) continue;
    Take take = Take::kNothing;
    if (!sheet.ChangedSinceLoad()) {
      // A part that marks its tab selected would show it so beside the
      // active one; the active sheet itself needs no mark (the workbook
      // names it). A macro workbook's sheets are saved with code names.
      const bool alone = !loaded->relationships && sheet.ChartCount() == 0 && !NeedsRelationships(sheet);
      if (alone && (!loaded->tab_selected || &sheet == active) && (!macro_enabled || !loaded->code_name.empty())) {
        take = Take::kPart;
      }
    }
    if (take == Take::kNothing && loaded->rows) take = Take::kRows;
    if (take == Take::kNothing) continue;
    if (sources_.empty()) {
      const LoadedPackage& package = *loaded->package;
      const ZipReader::Stamp then{package.device, package.inode, package.size, package.modified_ns};
      if (!(ZipReader::StampOf(package.path) == then)) return;  // the file changed since: write everything
      int code = 0;
      zip_t* archive = zip_open(package.path.c_str(), ZIP_RDONLY, &code);
      if (archive == nullptr) return;
      sources_.push_back(std::make_unique<Source>());
      sources_.back()->package = loaded->package;
      sources_.back()->archive = archive;
    }
    // One loaded file at a time: its styles are the ones reserved.
    if (loaded->package != sources_.front()->package) continue;
    if (!SameEntry(sources_.front()->archive, loaded->index, *loaded)) continue;
    Candidate& candidate = candidates_[static_cast<size_t>(i - 1)];
    if (take == Take::kRows) {
      std::optional<KeptRows> kept = RowsToKeep(*loaded, sheet.RowsChangedFrom());
      if (!kept) continue;
      candidate.kept = std::move(*kept);
      candidate.span = {loaded->first_row, static_cast<int>(candidate.kept.next_row) - 1, loaded->first_col,
                        loaded->last_col};
    }
    candidate.take = take;
    candidate.loaded = std::move(loaded);
  }
}

SheetCopies::~SheetCopies() = default;

// The runs of rows before row `changed`: from the start of the rows to
// the last checkpoint (or the end of the rows) at or before that row, less
// a short last run. Their deflated bytes begin and end on a full flush, an
// empty stored block (00 00 FF FF) just before each end: checked here,
// against the file.
std::optional<KeptRows> SheetCopies::RowsToKeep(const LoadedSheetPart& loaded, int changed) const {
  const RowsSegment& rows = *loaded.rows;
  const uint64_t row_after = static_cast<uint64_t>(loaded.last_row) + 1;
  RowsCheckpoint end{rows.deflated_end, rows.text_end, rows.rows_crc, static_cast<uint32_t>(row_after)};
  // A sheet that only grew keeps all its rows, unless its last run is a
  // short tail: that is written again with the new rows, so that daily
  // appends never leave runs shorter than kRowsTailRun behind them.
  const bool short_tail =
      !rows.checkpoints.empty() && rows.text_end - rows.checkpoints.back().text < 2 * kRowsTailRun;
  if (row_after > static_cast<uint64_t>(changed) || short_tail) {
    const RowsCheckpoint* last = nullptr;
    for (const RowsCheckpoint& c : rows.checkpoints) {
      if (c.row <= static_cast<uint32_t>(changed)) last = &c;
    }
    if (last == nullptr) return std::nullopt;
    end = *last;
  }
  if (end.deflated < rows.deflated_begin + 4) return std::nullopt;
  zip_file_t* file = zip_fopen_index(sources_.front()->archive, loaded.index, ZIP_FL_COMPRESSED);
  if (file == nullptr) return std::nullopt;
  static constexpr unsigned char kFlush[4] = {0x00, 0x00, 0xff, 0xff};
  // The four bytes before `at`: read in place where the raw bytes can be
  // sought, else by reading through to them.
  zip_uint64_t position = 0;
  std::vector<unsigned char> buffer(size_t{1} << 16);
  auto flush_before = [&](zip_uint64_t at) {
    unsigned char four[4];
    if (at < position + 4 || zip_fseek(file, static_cast<zip_int64_t>(at - 4), SEEK_SET) != 0) {
      if (at < position + 4) return false;  // the two ends overlap: no rows between
      while (position + buffer.size() < at - 4) {
        const zip_int64_t got = zip_fread(file, buffer.data(), buffer.size());
        if (got <= 0) return false;
        position += static_cast<zip_uint64_t>(got);
      }
      const zip_uint64_t skip = at - 4 - position;
      if (skip > 0 && zip_fread(file, buffer.data(), skip) != static_cast<zip_int64_t>(skip)) return false;
    }
    if (zip_fread(file, four, 4) != 4) return false;
    position = at;
    return std::memcmp(four, kFlush, 4) == 0;
  };
  const bool begins = flush_before(rows.deflated_begin);
  const bool ends = begins && flush_before(end.deflated);
  zip_fclose(file);
  if (!begins || !ends) return std::nullopt;
  KeptRows kept;
  kept.index = loaded.index;
  kept.deflated_begin = rows.deflated_begin;
  kept.deflated_end = end.deflated;
  kept.text_length = end.text - rows.text_begin;
  kept.crc = end.crc;
  kept.next_row = end.row;
  for (const RowsCheckpoint& c : rows.checkpoints) {
    if (c.deflated >= end.deflated) break;
    kept.checkpoints.push_back({c.deflated - rows.deflated_begin, c.text - rows.text_begin, c.crc, c.row});
  }
  return kept;
}

void SheetCopies::ReserveStyles(FormatCache& formats) {
  bool any = false;
  for (const Candidate& candidate : candidates_) any = any || candidate.take != Take::kNothing;
  if (!any) return;
  const std::vector<int>& xf_styles = sources_.front()->package->xf_styles;
  kept_xfs_.assign(xf_styles.size(), false);
  for (size_t xf = 0; xf < xf_styles.size(); ++xf) {
    if (xf_styles[xf] < 0 || xf_styles[xf] >= workbook_.StyleCount()) continue;
    lxw_format* format = formats.Get(xf_styles[xf], false);
    const int32_t index = format == nullptr ? 0 : lxw_format_get_xf_index(format);
    kept_xfs_[xf] = index == static_cast<int32_t>(xf);
  }
  for (Candidate& candidate : candidates_) {
    if (candidate.take == Take::kNothing) continue;
    for (int xf : candidate.loaded->xfs) {
      if (xf < 0 || static_cast<size_t>(xf) >= kept_xfs_.size() || !kept_xfs_[static_cast<size_t>(xf)]) {
        candidate.take = Take::kNothing;
        break;
      }
    }
  }
}

const LoadedSheetPart* SheetCopies::CopyOf(int index) const {
  // Without reserved styles no index can be trusted.
  if (kept_xfs_.empty() || index < 1 || static_cast<size_t>(index) > candidates_.size()) return nullptr;
  const Candidate& candidate = candidates_[static_cast<size_t>(index - 1)];
  return candidate.take == Take::kPart ? candidate.loaded.get() : nullptr;
}

const KeptSpan* SheetCopies::KeptRowsOf(int index) const {
  if (kept_xfs_.empty() || index < 1 || static_cast<size_t>(index) > candidates_.size()) return nullptr;
  const Candidate& candidate = candidates_[static_cast<size_t>(index - 1)];
  return candidate.take == Take::kRows ? &candidate.span : nullptr;
}

void SheetCopies::AddTo(PackageEdits& edits) const {
  bool strings = false;
  for (size_t i = 0; i < edits.sheets.size() && i < candidates_.size(); ++i) {
    const int index = static_cast<int>(i) + 1;
    if (const LoadedSheetPart* loaded = CopyOf(index)) {
      edits.sheets[i].copied = true;
      edits.copied_parts.push_back({edits.sheets[i].part, sources_.front()->archive, loaded->index});
      strings = strings || loaded->shared_strings;
    } else if (KeptRowsOf(index) != nullptr) {
      edits.sheets[i].kept = candidates_[i].kept;
      edits.sheets[i].kept->source = sources_.front()->archive;
      strings = strings || candidates_[i].loaded->shared_strings;
    }
  }
  if (!strings) return;
  const LoadedPackage& package = *sources_.front()->package;
  edits.copied_parts.push_back({kStringsPart, sources_.front()->archive, package.strings_index});
  AddRewrite(edits.part_rewrites, "xl/_rels/workbook.xml.rels", [](const std::string& text) {
    return MergeRelationships(text, {{"rIdStrings", kStringsType, "sharedStrings.xml", false}});
  });
  AddRewrite(edits.part_rewrites, "[Content_Types].xml", [](const std::string& text) {
    return MergeContentTypes(text, {{kStringsPart, kStringsContentType}});
  });
}

}  // namespace plrxl::xlsx
