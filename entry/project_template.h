// The project template: the "Parameters" sheet a new project carries, and
// the making of a complete new project workbook.
//
// The system builds no user-visible text in: messages, labels, lists and the
// ticker-table template are cells of "Parameters" that the workbook owns.
// This is where a new project gets them. The texts are tables (one row per
// cell) in project_template_texts.cpp, walked by the writer and the tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace plrxl {

class SpreadsheetHost;
class CPelorin;
class Workbook;
class Worksheet;

// One message or question: the text of "Parameters" cell "E" + number.
// `infos` is how many additional-information values the callers pass; the
// text carries the placeholders "AdditionalInformation1" up to that number.
struct MessageText {
  int16_t number;
  int16_t infos;
  const char* situation;  // who shows it and when
  const char* text;
};

enum class TemplateKind { kText, kNumber, kDate };

// Any other fixed cell of "Parameters": labels, lists, field cells, the run
// action and the ticker-table template. kNumber and kDate cells hold their
// value as decimal text (a date as yyyy-mm-dd).
struct TemplateCell {
  const char* address;
  TemplateKind kind;
  const char* value;
  const char* purpose;
};

// The message catalogue: 27 numbered messages, ascending.
std::span<const MessageText> MessageTexts();
// Labels (E16, E19, E20, E53, AR5, AR6, AR11, G2, G3, Z32, Z33), lists (D3,
// D5, D7, D8, D9), field cells (A6:A13, A30, B2:B22, B30, B33), H2, P2 and
// the ticker-table template I1:S5 with their captions.
std::span<const TemplateCell> TemplateCells();

// Writes every template cell and message into `parameters` (an empty sheet
// named "Parameters"), with number formats and emphasis. `today` is the date
// serial that the template's end-date formula shows until recalculated.
void WriteParametersSheet(Worksheet& parameters, double today);

// Makes `workbook` (with at least one sheet) a complete new project: its
// first sheet becomes "Parameters" (written as above), then
// CreateNewRavellProject adds "PelorinXL Settings" from the template block,
// defines both names, and the settings sheet is moved to the front. `pelorin`
// must have its application set; its project workbook is set to `workbook`.
void CreateProjectWorkbook(CPelorin& pelorin, Workbook& workbook, double today);

// A new workbook of `host` made a complete project, as `pelorinxl new` makes
// it, by a CPelorin of its own that ends before it returns.
Workbook& AddNewProjectWorkbook(SpreadsheetHost& host, double today);

}  // namespace plrxl
