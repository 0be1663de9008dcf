#include "host/formula/internal/hand_functions.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <ixion/formula.hpp>
#include <ixion/formula_function_opcode.hpp>

namespace plrxl::formula {
namespace {

using ixion::fopcode_t;
using ixion::formula_function_t;

// Past this the rewritten text is refused (nested DATE calls grow it).
constexpr size_t kMaxRewrittenText = 64 * 1024;

// Functions libixion 0.17 computes correctly, passed through unchanged.
bool EngineComputes(formula_function_t f) {
  switch (f) {
    case formula_function_t::func_average:
    case formula_function_t::func_concatenate:
    case formula_function_t::func_counta:
    case formula_function_t::func_if:
    case formula_function_t::func_int:
    case formula_function_t::func_left:
    case formula_function_t::func_len:
    case formula_function_t::func_pi:
    case formula_function_t::func_sum:
      return true;
    default:
      return false;
  }
}

bool IsComparison(fopcode_t op) {
  return op == fopcode_t::fop_equal || op == fopcode_t::fop_not_equal || op == fopcode_t::fop_less ||
         op == fopcode_t::fop_greater || op == fopcode_t::fop_less_equal || op == fopcode_t::fop_greater_equal;
}

// The serial of DATE(y, m, d) as arithmetic on the argument texts: the day
// number of the civil date less that of 30 December 1899.
std::string DateExpression(const std::string& y, const std::string& m, const std::string& d) {
  const std::string year = "INT(" + y + ")", month = "INT(" + m + ")", day = "INT(" + d + ")";
  const std::string carry = "INT((" + month + "-1)/12)";
  const std::string y1 = "(" + year + "+" + carry + ")";
  const std::string m1 = "(" + month + "-12*" + carry + ")";
  const std::string early = "INT((14-" + m1 + ")/12)";  // 1 for January and February
  const std::string yy = "(" + y1 + "+4800-" + early + ")";
  const std::string mm = "(" + m1 + "+12*" + early + "-3)";
  return "(" + day + "+INT((153*" + mm + "+2)/5)+365*" + yy + "+INT(" + yy + "/4)-INT(" + yy + "/100)+INT(" + yy +
         "/400)-2447064)";
}

class Rewriter {
 public:
  Rewriter(const ixion::formula_tokens_t& tokens, ixion::model_context& cxt, const ixion::formula_name_resolver& resolver,
           const ixion::abs_address_t& pos, double now, const RangeItems& range_items)
      : tokens_(tokens), cxt_(cxt), resolver_(resolver), pos_(pos), now_(now), range_items_(range_items) {}

  std::optional<Rewritten> Run() {
    Rewritten out;
    if (!Span(0, tokens_.size(), true, &out.text)) return std::nullopt;
    if (out.text.size() > kMaxRewrittenText) return std::nullopt;
    out.boolean = top_comparison_;
    out.date = uses_date_ && !top_comparison_;
    return out;
  }

 private:
  const ixion::formula_token& At(size_t i) const { return *tokens_[i]; }
  std::string Print(size_t i) const { return ixion::print_formula_token(cxt_, pos_, resolver_, At(i)); }

  // Writes tokens [begin, end) to *out; false when something cannot be
  // evaluated. `top` is true outside any parenthesis.
  bool Span(size_t begin, size_t end, bool top, std::string* out) {
    int depth = 0;
    for (size_t i = begin; i < end; ++i) {
      if (out->size() > kMaxRewrittenText) return false;
      const fopcode_t op = At(i).get_opcode();
      switch (op) {
        case fopcode_t::fop_function: {
          size_t close = 0;
          if (!Call(i, end, &close, out)) return false;
          i = close;
          break;
        }
        case fopcode_t::fop_named_expression:
          return false;  // defined names are not evaluated
        case fopcode_t::fop_string:
          // Two strings in a row: the library split a doubled quote.
          if (i + 1 < end && At(i + 1).get_opcode() == fopcode_t::fop_string) return false;
          *out += Print(i);
          break;
        case fopcode_t::fop_open:
          ++depth;
          *out += "(";
          break;
        case fopcode_t::fop_close:
          --depth;
          *out += ")";
          break;
        case fopcode_t::fop_single_ref:
        case fopcode_t::fop_range_ref:
        case fopcode_t::fop_value:
        case fopcode_t::fop_plus:
        case fopcode_t::fop_minus:
        case fopcode_t::fop_divide:
        case fopcode_t::fop_multiply:
        case fopcode_t::fop_exponent:
        case fopcode_t::fop_concat:
        case fopcode_t::fop_sep:
          *out += Print(i);
          break;
        default:
          if (!IsComparison(op)) return false;  // errors, tables, unknown tokens
          if (top && depth == 0) top_comparison_ = true;
          *out += Print(i);
          break;
      }
    }
    return depth == 0;
  }

  // The function call starting at token i: writes it and sets *close to
  // the index of its closing parenthesis.
  bool Call(size_t i, size_t end, size_t* close, std::string* out) {
    const auto function = static_cast<formula_function_t>(At(i).get_uint32());
    if (function == formula_function_t::func_true || function == formula_function_t::func_false) {
      // TRUE and FALSE come as functions, with or without "()".
      const bool called = i + 2 < end && At(i + 1).get_opcode() == fopcode_t::fop_open &&
                          At(i + 2).get_opcode() == fopcode_t::fop_close;
      *close = called ? i + 2 : i;
      *out += function == formula_function_t::func_true ? "1" : "0";
      return true;
    }
    if (i + 1 >= end || At(i + 1).get_opcode() != fopcode_t::fop_open) return false;
    std::vector<std::pair<size_t, size_t>> args;
    size_t arg_begin = i + 2;
    int depth = 0;
    size_t j = i + 1;
    for (; j < end; ++j) {
      const fopcode_t op = At(j).get_opcode();
      if (op == fopcode_t::fop_open) ++depth;
      else if (op == fopcode_t::fop_close && --depth == 0) break;
      else if (op == fopcode_t::fop_sep && depth == 1) {
        args.emplace_back(arg_begin, j);
        arg_begin = j + 1;
      }
    }
    if (j >= end) return false;
    if (arg_begin < j || !args.empty()) args.emplace_back(arg_begin, j);
    *close = j;

    std::vector<std::string> texts;
    switch (function) {
      case formula_function_t::func_today:
      case formula_function_t::func_now:
        if (!args.empty()) return false;
        uses_date_ = true;
        *out += NumberText(function == formula_function_t::func_today ? std::floor(now_) : now_);
        return true;
      case formula_function_t::func_date:
        if (args.size() != 3 || !Arguments(args, &texts)) return false;
        uses_date_ = true;
        *out += DateExpression(texts[0], texts[1], texts[2]);
        return true;
      case formula_function_t::func_min:
      case formula_function_t::func_max:
        if (args.empty() || !MinMaxArguments(args, &texts)) return false;
        if (texts.empty()) {
          *out += "0";  // no number to compare: the spreadsheet gives 0
          return true;
        }
        break;
      case formula_function_t::func_if:
        if (args.size() != 3 || !Arguments(args, &texts)) return false;  // the library wants all three
        break;
      default:
        if (!EngineComputes(function) || !Arguments(args, &texts)) return false;
        break;
    }
    *out += std::string(ixion::get_formula_function_name(function)) + "(";
    for (size_t k = 0; k < texts.size(); ++k) *out += (k ? "," : "") + texts[k];
    *out += ")";
    return true;
  }

  bool Arguments(const std::vector<std::pair<size_t, size_t>>& args, std::vector<std::string>* texts) {
    for (const auto& [b, e] : args) {
      if (b == e) return false;  // an omitted argument
      std::string text;
      if (!Span(b, e, false, &text)) return false;
      texts->push_back("(" + text + ")");
    }
    return true;
  }

  bool MinMaxArguments(const std::vector<std::pair<size_t, size_t>>& args, std::vector<std::string>* texts) {
    for (const auto& [b, e] : args) {
      if (b == e) return false;
      if (e == b + 1 && At(b).get_opcode() == fopcode_t::fop_range_ref) {
        auto items = range_items_(At(b).get_range_ref().to_abs(pos_));
        if (!items) return false;
        texts->insert(texts->end(), items->begin(), items->end());
        continue;
      }
      std::string text;
      if (!Span(b, e, false, &text)) return false;
      texts->push_back("(" + text + ")");
    }
    return true;
  }

  const ixion::formula_tokens_t& tokens_;
  ixion::model_context& cxt_;
  const ixion::formula_name_resolver& resolver_;
  const ixion::abs_address_t pos_;
  const double now_;
  const RangeItems& range_items_;
  bool top_comparison_ = false;
  bool uses_date_ = false;
};

}  // namespace

std::optional<Rewritten> RewriteForEngine(const ixion::formula_tokens_t& tokens, ixion::model_context& cxt,
                                          const ixion::formula_name_resolver& resolver,
                                          const ixion::abs_address_t& pos, double now, const RangeItems& range_items) {
  return Rewriter(tokens, cxt, resolver, pos, now, range_items).Run();
}

bool HasExponentNumber(const std::string& text) {
  bool in_text = false, in_sheet = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' && !in_sheet) in_text = !in_text;
    if (c == '\'' && !in_text) in_sheet = !in_sheet;
    if (in_text || in_sheet) continue;
    const bool starts_number = (std::isdigit(static_cast<unsigned char>(c)) || c == '.') &&
                               (i == 0 || !(std::isalnum(static_cast<unsigned char>(text[i - 1])) ||
                                            text[i - 1] == '$' || text[i - 1] == '_' || text[i - 1] == '.'));
    if (!starts_number) continue;
    size_t j = i;
    while (j < text.size() && (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '.')) ++j;
    if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
      size_t k = j + 1;
      if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
      if (k < text.size() && std::isdigit(static_cast<unsigned char>(text[k]))) return true;
    }
    i = j - 1;
  }
  return false;
}

bool SafeForParser(const std::string& text) {
  bool in_text = false, in_sheet = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' && !in_sheet) {
      in_text = !in_text;
      continue;
    }
    if (c == '\'' && !in_text) {
      in_sheet = !in_sheet;
      continue;
    }
    if (in_text || in_sheet) continue;
    if (c == '$') {
      if (i + 1 >= text.size() || !std::isalnum(static_cast<unsigned char>(text[i + 1]))) return false;
      continue;
    }
    if (std::isalnum(c) || std::strchr("_.,:;!()+-*/^&=<> ", c) != nullptr) continue;
    return false;
  }
  return !in_text && !in_sheet;
}

std::string NumberText(double value) {
  if (!std::isfinite(value)) return "(1/0)";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", std::fabs(value));
  std::string text = buffer;
  // The library reads no exponents: 1.5e-07 becomes (1.5/10^7).
  const size_t e = text.find('e');
  if (e != std::string::npos) {
    const int exponent = std::stoi(text.substr(e + 1));
    text = "(" + text.substr(0, e) + (exponent < 0 ? "/10^" : "*10^") + std::to_string(std::abs(exponent)) + ")";
  }
  return value < 0 ? "(0-" + text + ")" : text;
}

}  // namespace plrxl::formula
