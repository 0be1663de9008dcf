// CPelorin: the public entry object through which a project workbook's
// scripts (and the pelorinxl command) drive the system.
//
// The caller creates it over a RunContext, sets ExcelApplication and
// ThisWorkbookApplication, and calls one operation per user command. Each
// user command checks the project (Successor) and then shows one modal
// window through the context's UI port; the command returns when the window
// closes. The windows, the run driver and the macro engine call back into the
// supporting members (TWP, SettingsValue, myBreak, WriteLastStatusMsg, ...).
//
// Every member registers on the call stack as "Pelorin.CPelorin.<member>"
// and hands run-time errors to the shared error handler, whose answer
// (abort, retry, ignore) decides how the member goes on; after an Abort the
// member returns the value it held so far and the caller is not told.
//
// Lifecycle: constructing a CPelorin creates a new shared error handler in
// the context (actions 8, "Error Log.txt", call stack on, tracing off, flags
// 2, "Tracing Log.txt"); the handler is released when the last CPelorin of
// the context is destroyed. Path is the context's, so all instances share it.
//
// Rows and columns of the ticker table are 16-bit: a value beyond 32767
// raises error 6 "Overflow".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "entry/run_context.h"
#include "host/variant.h"

namespace plrxl {

class Procedure;
class Range;
class SpreadsheetHost;
class Workbook;
class Worksheet;

// Sheet, name and action words of the project layout.
inline constexpr const char* kSettingsSheet = "PelorinXL Settings";
inline constexpr const char* kParametersSheet = "Parameters";
inline constexpr const char* kRangeTickerName = "Pelorin_RangeTicker";
inline constexpr const char* kRangeDataSourceName = "Pelorin_RangeDataSource";
inline constexpr const char* kMessageTitle = "PelorinXL";
// The characters a sheet name cannot hold.
inline constexpr const char* kBadSheetChars = "!:\\/?*[]";

// Columns of a TickerRow, counted from the anchor column (1 = Ticker).
enum TickerColumn : int16_t {
  kTicker = 1,
  kStartDate = 2,
  kEndDate = 3,
  kPeriodicity = 4,
  kDataDirection = 5,
  kDataLocation = 6,
  kDataBeginning = 7,
  kDataSource = 8,
  kDataFields = 9,
  kMacros = 10,
  kStatus = 11,
};

// The nine written fields of a TickerRow, as the editing operations take
// them (dates as texts or date values).
struct TickerRowFields {
  std::string Ticker;
  Variant StartDate;
  Variant EndDate;
  std::string Periodicity;
  std::string DataDirection;
  std::string DataLocation;
  std::string DataBeginning;
  std::string DataSource;
  std::string DataFields;
};

// The fields of a ticker-row edit: column n (1 `Ticker` .. 10 `Macros`) at
// index n - 1; a field not set keeps its cell.
using TickerRowEdit = std::array<std::optional<std::string>, 10>;

class CPelorin {
 public:
  explicit CPelorin(RunContext& context);
  ~CPelorin();
  CPelorin(const CPelorin&) = delete;
  CPelorin& operator=(const CPelorin&) = delete;

  RunContext& Context() { return context_; }

  // --- 1, 2: folder of the help file (shared by all instances) ---
  std::string Path();
  void Path(const std::string& value);
  // --- 3 to 6: the application and the project workbook ---
  SpreadsheetHost* ExcelApplication();
  void ExcelApplication(SpreadsheetHost* application);
  Workbook* ThisWorkbookApplication();
  void ThisWorkbookApplication(Workbook* workbook);
  // --- 7, 8: the row editor's DataBeginning (the range picker's text);
  // let keeps the text before the first ":" ---
  std::string RefEditInputs();
  void RefEditInputs(const std::string& value);

  // --- project editing ---
  void CreateNewRavellProject();
  // myRow counts table rows from the header (1 header, 2 defaults row, 3 the
  // first ticker row, the default). Zero dates leave the cell empty.
  void ReplaceTickerOnProject(const std::string& Ticker, double StartDate, double EndDate,
                              const std::string& Periodicity, const std::string& DataDirection,
                              const std::string& DataLocation, const std::string& DataBeginning,
                              const std::string& DataSource, const std::string& DataFields,
                              std::optional<int32_t> myRow = std::nullopt);
  void AddNewRecord(const std::string& Ticker, const std::string& StartDate, const std::string& EndDate,
                    const std::string& Periodicity, const std::string& DataDirection,
                    const std::string& DataLocation, const std::string& DataBeginning,
                    const std::string& DataSource, const std::string& DataFields);

  // The command line's row edits: writes the given fields of table row
  // myRow (1 titles, 2 defaults row, 3 the first ticker row), or of the row
  // after the last filled row of the sheet when myRow is empty, and leaves
  // every other cell as it is (formulas too). The row must lie inside the
  // table or directly below it and pass the project check's row checks
  // (for the defaults row: every ticker row, since they inherit from it).
  // Gives "" and the table row written, or the refusal; after a refusal
  // the workbook is not to be saved.
  std::string EditTickerRow(std::optional<int32_t> myRow, const TickerRowEdit& fields, int32_t* written_row);

  // --- run operations: check the project, then hand over to the run
  // driver through the progress window ---
  void RefreshData();
  void UpdateData();
  void RunOnlyMacros();
  // Writes myAction into "Parameters" H2 and shows the progress window.
  void UpdateMyData(const std::string& myAction);

  // --- windows ---
  // The row editor's request text after its modal show ("DATABEGINNING"
  // when the user asked to pick a range); empty without a settings sheet.
  std::string ShowRefEditInterface();
  void MasterPelorin();
  void UnloadfrmMaster();
  // Always False.
  bool SelectiveUpdatePelorinXL();
  Variant ShowConverterFromPelorin1IntoPelorin2();

  // --- messages ---
  // "False" when the user chose No, else "True".
  std::string ContinueExecution(int16_t myQuestion, const std::string& AdditionalInformation1 = "");
  // Shows stop message Id; always False.
  bool myBreak(int16_t Id, const std::string& AdditionalInformation1 = "",
               const std::string& AdditionalInformation2 = "", const std::string& AdditionalInformation3 = "");
  // Collects the row's status texts; MyMessage "WriteDownTheStatus" writes
  // them with a time stamp into the row's Status cell. Returns empty.
  Variant WriteLastStatusMsg(int16_t myMsgN, int16_t myRow, Worksheet* mySettings,
                             const std::optional<Variant>& MyMessage = std::nullopt, bool IsError = false,
                             bool IsMacroMessage = false);
  // 7 -> "07" (text); 10 -> 10 (number).
  Variant myTwoDigits(int16_t myDigit);

  // --- project layout and checks ---
  // The text of the cell at Id of the project workbook's "Parameters" sheet.
  std::string TWP(const std::string& Id);
  void SetCorrectDateFormat();
  bool Successor();
  void ActivatePrefferedSheet();
  // True when the application cannot resolve myAddress.
  bool ErrorAddress(const std::string& myAddress);
  bool RavellXLSettingsAreOk();
  // The checks RavellXLSettingsAreOk makes of one ticker row (sheet row
  // myRow): the first fault shows its message and gives False. What the
  // editing commands check a row they write with.
  bool TickerRowIsOk(Worksheet& mySettings, int16_t myRow);
  Variant SettingsValue(Worksheet& mySettings, int16_t myRow, int16_t myColumn);
  bool ConsistFrom(const std::string& myParameter, const std::string& myValue);

  // --- macro runner (bodies plugged in through the context's hooks) ---
  std::string RunAllMacros(Workbook& myWorkbook, Worksheet& mySettings, const std::string& mySheet, int16_t myRow);
  std::string RunMyMacro(const std::string& myMacroName);

  // --- used only inside the system ---
  std::string ActivateWorkBookName();
  void ActivateWorkBookName(const std::string& name);
  void AutoUpdateCheck();
  // The address of the last filled cell of the sheet (the last row holding
  // any content, in the start cell's column); the start cell itself when the
  // sheet holds nothing below it.
  std::string GotoLastCell(const std::string& workbook_name, const std::string& sheet_name,
                           const std::string& start_cell);
  void RunConverter(const std::string& input, const std::string& output);

 private:
  // The application and project workbook; error 424 "Object required"
  // while they are not set.
  SpreadsheetHost& App();
  Workbook& ThisWb();
  Worksheet& ParametersSheet();
  UiPort& Ui();
  // The anchor cell (Pelorin_RangeTicker) of the active workbook.
  Range Anchor(Workbook& workbook);
  // Shows a window modally with this object as its owner.
  void ShowOwned(EntryWindow& window);
  EntryWindow& ProgressWindow();
  RowEditorWindow& RowEditor();
  EntryWindow& SelectiveWindow();
  ConverterWindow& Converter();
  void RunOperation(const char* procedure, const char* action, bool update_check, bool clear_status_bar);
  // MasterPelorin steps 2 to 5; returns the row editor's request text.
  std::string ShowRowEditor(bool unload_after);
  void WriteTickerRow(Range anchor, int row_index, const TickerRowFields& fields);
  // The row checks of RavellXLSettingsAreOk, within the caller's procedure.
  bool RowChecksPass(Procedure& proc, Worksheet& settings, int16_t row);

  RunContext& context_;
  SpreadsheetHost* excel_application_ = nullptr;
  Workbook* this_workbook_ = nullptr;
  std::string activate_workbook_name_;
};

// --- ModulePelorin ---
// value with every occurrence of each character of `chars` replaced by "_";
// values that are not texts are converted to text first (empty stays empty).
Variant RemoveBadSymbols(ErrorHandlerSlot& slot, const Variant& value, const std::string& chars);
// True when the workbook has a worksheet whose name equals `name` cleaned of
// the characters "!:\/?*[]", compared case-insensitively.
bool SpreadsheetExists(ErrorHandlerSlot& slot, Workbook& workbook, const std::string& name);
// Opens the help file Path + "\PelorinXL.CHM" at `topic` ("Support.htm"
// when empty) through the context's help viewer (the desktop's opener when
// none is set). A missing help is reported by the viewer.
void RunHelpPelorinXL(RunContext& context, const std::string& topic = "");

}  // namespace plrxl
