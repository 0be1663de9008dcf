#include "host/xlsx/internal/workbook_settings.h"

#include <xlsxwriter.h>
#include <xlsxwriter/theme.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "host/xlsx/internal/carry_edits.h"
#include "host/xlsx/internal/chart_writer.h"
#include "host/xlsx/internal/problem.h"
#include "host/xlsx/internal/xml_scan.h"

namespace plrxl::xlsx {

namespace {

// What the writer puts into every workbook part: such elements in a loaded
// file are the writer's own and carry nothing.
constexpr const char* kWrittenWorkbookPr[] = {"<workbookPr defaultThemeVersion=\"124226\"/>",
                                              "<workbookPr codeName=\"ThisWorkbook\" defaultThemeVersion=\"124226\"/>"};
constexpr const char* kWrittenBookViews =
    "<bookViews><workbookView xWindow=\"240\" yWindow=\"15\" windowWidth=\"16095\" windowHeight=\"9660\"/></bookViews>";
constexpr const char* kWrittenCalcPr = "<calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/>";
constexpr const char* kWrittenDefaultFont =
    "<font><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/><scheme val=\"minor\"/></font>";
constexpr const char* kWrittenTheme = "xl/theme/theme1.xml";

// The theme part the writer makes, from the writer itself.
const std::string& WrittenTheme() {
  static const std::string theme = [] {
    std::string text;
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    if (out == nullptr) return text;
    lxw_theme* writer = lxw_theme_new();
    if (writer != nullptr) {
      writer->file = out;
      lxw_theme_assemble_xml_file(writer);
      lxw_theme_free(writer);
    }
    std::fclose(out);
    text.assign(buffer, size);
    std::free(buffer);
    return text;
  }();
  return theme;
}

// The element's text with an attribute of its start tag set to `value`
// (escaped), or removed when value is nullopt.
std::string WithAttribute(std::string_view element, std::string_view name, const std::optional<std::string>& value) {
  const StartTag tag = DocumentStartTag(element);
  std::string out(element);
  for (const AttributeSpan& a : tag.attributes) {
    if (a.name != name) continue;
    if (value) return out.replace(a.value_begin, a.value_end - a.value_begin, Escape(*value));
    size_t begin = element.rfind(name, a.value_begin);
    while (begin > 0 && std::isspace(static_cast<unsigned char>(element[begin - 1]))) --begin;
    return out.erase(begin, a.value_end + 1 - begin);
  }
  if (value) out.insert(tag.name_end, " " + std::string(name) + "=\"" + Escape(*value) + "\"");
  return out;
}

// The element with an attribute of its first child set or removed.
std::string WithChildAttribute(std::string_view element, std::string_view name,
                               const std::optional<std::string>& value) {
  const std::vector<ElementSpan> children = ChildElements(element, DocumentStartTag(element).end);
  if (children.empty()) return std::string(element);
  const ElementSpan& first = children.front();
  return std::string(element.substr(0, first.begin)) +
         WithAttribute(element.substr(first.begin, first.end - first.begin), name, value) +
         std::string(element.substr(first.end));
}

std::string FirstChildAttribute(std::string_view element, std::string_view name) {
  const std::vector<ElementSpan> children = ChildElements(element, DocumentStartTag(element).end);
  if (children.empty()) return {};
  const std::string_view first = element.substr(children.front().begin, children.front().end - children.front().begin);
  return AttributeValue(first, DocumentStartTag(first), name);
}

bool IsTrue(const std::string& value) { return value == "1" || value == "true"; }

void DefaultFontOf(const std::string& styles_text, CarriedWorkbookFeatures& features) {
  if (styles_text.empty()) return;
  const StartTag root = DocumentStartTag(styles_text);
  for (const ElementSpan& fonts : ChildElements(styles_text, root.end)) {
    if (fonts.Local() != "fonts" || fonts.content_begin == fonts.content_end) continue;
    const std::vector<ElementSpan> list = ChildElements(styles_text, fonts.content_begin);
    if (list.empty() || list.front().Local() != "font") return;
    const std::string raw = styles_text.substr(list.front().begin, list.front().end - list.front().begin);
    if (raw == kWrittenDefaultFont) return;
    features.default_font_name = "Calibri";
    features.default_font_size = 11;
    ForEachStartTag(raw, [&](const StartTag& tag) {
      const std::string_view local = std::string_view(tag.name).substr(tag.name.find(':') + 1);
      if (local == "name") features.default_font_name = AttributeValue(raw, tag, "val");
      if (local == "sz") features.default_font_size = std::atof(AttributeValue(raw, tag, "val").c_str());
    });
    if (features.default_font_size <= 0) features.default_font_size = 11;
    features.default_font = DeclareNamespaces(raw, DeclaredNamespaces(styles_text.substr(root.begin, root.end - root.begin)),
                                              "", kMainNamespace);
    return;
  }
}

// The workbook part with the carried elements back and the date system and
// active tab of the model.
std::string WorkbookPart(const std::string& text, const std::vector<CarriedElement>& carried, bool date1904,
                         int active_tab, int sheet_count) {
  const ElementSpan root = DocumentElement(text);
  std::vector<CarriedElement> elements = carried;
  bool has_pr = false;
  for (CarriedElement& e : elements) {
    if (e.name == "workbookPr") {
      has_pr = true;
      const bool was_1904 = IsTrue(AttributeValue(e.xml, DocumentStartTag(e.xml), "date1904"));
      if (was_1904 != date1904) {
        e.xml = WithAttribute(e.xml, "date1904", date1904 ? std::optional<std::string>("1") : std::nullopt);
      }
    } else if (e.name == "bookViews") {
      const bool had_active = !FirstChildAttribute(e.xml, "activeTab").empty();
      if (had_active || active_tab != 0) e.xml = WithChildAttribute(e.xml, "activeTab", std::to_string(active_tab));
      const std::string first = FirstChildAttribute(e.xml, "firstSheet");
      if (!first.empty() && std::atoi(first.c_str()) >= sheet_count) e.xml = WithChildAttribute(e.xml, "firstSheet", "0");
    }
  }
  if (!has_pr && date1904) {
    for (const ElementSpan& child : ChildElements(text, root.content_begin)) {
      if (child.Local() != "workbookPr") continue;
      elements.push_back({"workbookPr", WithAttribute(std::string_view(text).substr(child.begin, child.end - child.begin),
                                                      "date1904", "1")});
    }
  }
  if (elements.empty()) return text;
  return PlaceElements(text, root.content_begin, kWorkbookOrder, elements);
}

// The styles part with its first font replaced by the workbook's default.
std::string StylesPart(const std::string& text, const std::string& font) {
  const StartTag root = DocumentStartTag(text);
  for (const ElementSpan& fonts : ChildElements(text, root.end)) {
    if (fonts.Local() != "fonts" || fonts.content_begin == fonts.content_end) continue;
    const std::vector<ElementSpan> list = ChildElements(text, fonts.content_begin);
    if (list.empty()) break;
    return text.substr(0, list.front().begin) + font + text.substr(list.front().end);
  }
  throw XlsxProblem("the writer made no fonts in the styles part");
}

// The start of a sheet part with the code name of its <sheetPr> set, or
// removed when empty.
std::string SheetHead(const std::string& head, const std::string& code_name) {
  const StartTag root = DocumentStartTag(head);
  const std::optional<std::string> value = code_name.empty() ? std::nullopt : std::optional<std::string>(code_name);
  if (head.compare(root.end, 9, "<sheetPr ") == 0 || head.compare(root.end, 9, "<sheetPr/") == 0 ||
      head.compare(root.end, 9, "<sheetPr>") == 0) {
    const std::vector<ElementSpan> first = ChildElements(std::string_view(head).substr(0, head.find("<sheetData")), root.end);
    if (!first.empty()) {
      return head.substr(0, first.front().begin) +
             WithAttribute(std::string_view(head).substr(first.front().begin, first.front().end - first.front().begin),
                           "codeName", value) +
             head.substr(first.front().end);
    }
  }
  if (!value) return head;
  return head.substr(0, root.end) + "<sheetPr codeName=\"" + Escape(code_name) + "\"/>" + head.substr(root.end);
}

// True when a sheet name stands in a formula without quotes: letters,
// digits, '_' and '.', not starting with a digit, and not readable as a
// cell reference ("AB12", "R1C1").
bool PlainSheetName(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!std::isalnum(u) && c != '_' && c != '.') return false;
  }
  size_t letters = 0;
  while (letters < name.size() && std::isalpha(static_cast<unsigned char>(name[letters]))) ++letters;
  const bool digits_after = letters < name.size() && name.find_first_not_of("0123456789", letters) == std::string_view::npos;
  if (digits_after && letters <= 3) return false;  // A1 style
  const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return first != 'R' && first != 'C';  // may read as R1C1
}

// The formula with the quotes taken off sheet names that need none, as
// the spreadsheet writes them ("'Data'!$A$1" -> "Data!$A$1").
std::string UnquotePlainSheetNames(const std::string& formula) {
  std::string out;
  size_t i = 0;
  while (i < formula.size()) {
    const char c = formula[i];
    if (c == '"') {
      const size_t end = formula.find('"', i + 1);
      const size_t stop = end == std::string::npos ? formula.size() : end + 1;
      out += formula.substr(i, stop - i);
      i = stop;
    } else if (c == '\'') {
      size_t end = formula.find('\'', i + 1);
      while (end != std::string::npos && end + 1 < formula.size() && formula[end + 1] == '\'') {
        end = formula.find('\'', end + 2);  // '' stands for a quote in the name
      }
      if (end == std::string::npos) return out + formula.substr(i);
      const std::string_view name = std::string_view(formula).substr(i + 1, end - i - 1);
      const bool plain = end + 1 < formula.size() && formula[end + 1] == '!' && PlainSheetName(name);
      out += plain ? std::string(name) : formula.substr(i, end + 1 - i);
      i = end + 1;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

std::vector<NameEntry> NameEntries(const Workbook& workbook) {
  auto& book = const_cast<Workbook&>(workbook);  // sheets are only looked at
  std::vector<NameEntry> entries;
  for (int i = 1; i <= workbook.NameCount(); ++i) {
    const DefinedName& name = workbook.NameAt(i);
    NameEntry entry;
    entry.name = name.name;
    entry.local_sheet = -1;
    for (int s = 1; s <= book.WorksheetCount() && name.scope != nullptr; ++s) {
      if (&book.WorksheetAt(s) == name.scope) entry.local_sheet = s - 1;
    }
    if (name.scope != nullptr && entry.local_sheet < 0) continue;  // its sheet is gone
    entry.formula = R1C1RefToA1(name.refers_to);
    if (!entry.formula.empty() && entry.formula[0] == '=') entry.formula.erase(0, 1);
    entry.formula = UnquotePlainSheetNames(entry.formula);
    if (!name.comment.empty()) entry.attributes.emplace_back("comment", name.comment);
    if (!name.visible) entry.attributes.emplace_back("hidden", "1");
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace

void ReadWorkbookSettings(const std::string& workbook_text, const std::string& theme, Workbook& into,
                          CarriedWorkbookFeatures& features) {
  const StartTag root = DocumentStartTag(workbook_text);
  const std::map<std::string, std::string> scope =
      DeclaredNamespaces(std::string_view(workbook_text).substr(root.begin, root.end - root.begin));
  for (const ElementSpan& e : ChildElements(workbook_text, root.end)) {
    const std::string_view local = e.Local();
    std::string raw = workbook_text.substr(e.begin, e.end - e.begin);
    if (local == "workbookPr") {
      into.SetDate1904(IsTrue(AttributeValue(raw, DocumentStartTag(raw), "date1904")));
      const std::string others = WithAttribute(raw, "date1904", std::nullopt);
      if (others == kWrittenWorkbookPr[0] || others == kWrittenWorkbookPr[1]) continue;
    } else if (local == "bookViews") {
      if (WithChildAttribute(raw, "activeTab", std::nullopt) == kWrittenBookViews) continue;
    } else if (local == "calcPr") {
      if (raw == kWrittenCalcPr) continue;
    } else if (local != "workbookProtection") {
      continue;
    }
    features.workbook_elements.push_back({std::string(local), DeclareNamespaces(raw, scope, "", kMainNamespace)});
  }
  if (!theme.empty() && theme != WrittenTheme()) features.theme = theme;
}

void ReadDefaultFont(const std::string& styles_text, CarriedWorkbookFeatures& features) {
  DefaultFontOf(styles_text, features);
}

std::string SheetCodeName(const std::string& sheet_text) {
  const size_t data = sheet_text.find("sheetData");
  // Only before the cells: a part without it need not be read to its end.
  const size_t found = std::string_view(sheet_text).substr(0, data).find("sheetPr");
  if (found == std::string::npos || found > data || found == 0) return {};
  const size_t begin = sheet_text.rfind('<', found);
  const size_t end = sheet_text.find('>', found);
  if (begin == std::string::npos || end == std::string::npos || sheet_text[begin + 1] == '/') return {};
  const std::string_view tag = std::string_view(sheet_text).substr(begin, end + 1 - begin);
  std::string code_name;
  ForEachStartTag(tag, [&](const StartTag& t) { code_name = AttributeValue(tag, t, "codeName"); });
  return code_name;
}

void AddWorkbookSettings(const Workbook& workbook, bool macro_workbook, PackageEdits& edits) {
  auto& book = const_cast<Workbook&>(workbook);  // sheets are only looked at
  const std::shared_ptr<const CarriedWorkbookFeatures> features = workbook.CarriedFeatures();
  int active_tab = 0;
  for (int i = 1; i <= book.WorksheetCount(); ++i) {
    if (&book.WorksheetAt(i) == book.ActiveSheet()) active_tab = i - 1;
  }
  std::vector<CarriedElement> elements;
  if (features) elements = features->workbook_elements;
  const bool date1904 = workbook.Date1904();
  const int sheet_count = workbook.WorksheetCount();
  std::vector<NameEntry> names = NameEntries(workbook);
  if (!elements.empty() || date1904 || !names.empty()) {
    edits.part_rewrites["xl/workbook.xml"] = [=, names = std::move(names)](const std::string& text) {
      if (text.empty()) throw XlsxProblem("the writer made no workbook part");
      std::string out = WorkbookPart(text, elements, date1904, active_tab, sheet_count);
      return names.empty() ? out : MergeDefinedNames(out, names);
    };
  }
  if (features && !features->theme.empty()) {
    edits.part_rewrites[kWrittenTheme] = [theme = features->theme](const std::string&) { return theme; };
  }
  if (features && !features->default_font.empty()) {
    edits.part_rewrites["xl/styles.xml"] = [font = features->default_font](const std::string& text) {
      if (text.empty()) throw XlsxProblem("the writer made no styles part");
      return StylesPart(text, font);
    };
  }
  for (size_t i = 0; i < edits.sheets.size(); ++i) {
    std::string code_name;
    if (const auto sheet = book.WorksheetAt(static_cast<int>(i) + 1).CarriedFeatures()) code_name = sheet->code_name;
    if (code_name.empty() && !macro_workbook) continue;
    // After any other rewrite of the sheet's start, which may put back the
    // file's own <sheetPr>.
    PartRewrite& slot = edits.sheet_head_rewrites[edits.sheets[i].part];
    slot = [before = std::move(slot), code_name](const std::string& text) {
      return SheetHead(before ? before(text) : text, code_name);
    };
  }
}

}  // namespace plrxl::xlsx
