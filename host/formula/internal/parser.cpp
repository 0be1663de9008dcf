#include "host/formula/internal/parser.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/address.h"
#include "host/formula/internal/function_table.h"

namespace plrxl::formula {
namespace {

constexpr size_t kMaxText = 16384;
constexpr int kMaxDepth = 100;

struct ParseFailure {
  std::string why;
};

bool IsAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
// Characters of names (functions, defined names, unquoted sheet names).
bool IsNameChar(char c) {
  return IsAlpha(c) || IsDigit(c) || c == '_' || c == '.' || c == '\\' || static_cast<unsigned char>(c) >= 0x80;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct ErrorLiteral {
  const char* text;
  CellError error;
};
const ErrorLiteral kErrorLiterals[] = {
    {"#NULL!", CellError::kNull}, {"#DIV/0!", CellError::kDiv0}, {"#VALUE!", CellError::kValue},
    {"#REF!", CellError::kRef},   {"#NAME?", CellError::kName},  {"#NUM!", CellError::kNum},
    {"#N/A", CellError::kNA},
};

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  Node Run() {
    if (pos_ < s_.size() && s_[pos_] == '=') ++pos_;
    Node root = Comparison();
    SkipSpace();
    if (pos_ != s_.size()) Fail("unexpected \"" + s_.substr(pos_, 10) + "\"");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) { throw ParseFailure{why}; }

  void SkipSpace() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t')) ++pos_;
  }
  bool Peek(char c) {
    SkipSpace();
    return pos_ < s_.size() && s_[pos_] == c;
  }
  bool Take(const char* op) {
    SkipSpace();
    const size_t n = std::strlen(op);
    if (s_.compare(pos_, n, op) != 0) return false;
    pos_ += n;
    return true;
  }
  void Expect(char c) {
    if (!Peek(c)) Fail(std::string("\"") + c + "\" expected");
    ++pos_;
  }

  struct Depth {
    explicit Depth(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxDepth) p_.Fail("nested too deeply");
    }
    ~Depth() { --p_.depth_; }
    Parser& p_;
  };

  // The operands are moved in: a braced list would copy them, and with them
  // every subtree below, once for each operator of a chain like "1+1+...".
  static Node Make(NodeKind kind, std::string op, Node operand) {
    Node n;
    n.kind = kind;
    n.text = std::move(op);
    n.children.push_back(std::move(operand));
    return n;
  }
  static Node Make(NodeKind kind, std::string op, Node left, Node right) {
    Node n = Make(kind, std::move(op), std::move(left));
    n.children.push_back(std::move(right));
    return n;
  }

  Node Comparison() {
    Depth d(*this);
    Node left = Concat();
    for (;;) {
      std::string op;
      for (const char* o : {"<>", "<=", ">=", "=", "<", ">"}) {
        if (Take(o)) {
          op = o;
          break;
        }
      }
      if (op.empty()) return left;
      Node right = Concat();
      left = Make(NodeKind::kBinary, op, std::move(left), std::move(right));
    }
  }
  Node Concat() {
    Node left = Additive();
    while (Take("&")) left = Make(NodeKind::kBinary, "&", std::move(left), Additive());
    return left;
  }
  Node Additive() {
    Node left = Multiplicative();
    for (;;) {
      if (Take("+")) left = Make(NodeKind::kBinary, "+", std::move(left), Multiplicative());
      else if (Take("-")) left = Make(NodeKind::kBinary, "-", std::move(left), Multiplicative());
      else return left;
    }
  }
  Node Multiplicative() {
    Node left = Power();
    for (;;) {
      if (Take("*")) left = Make(NodeKind::kBinary, "*", std::move(left), Power());
      else if (Take("/")) left = Make(NodeKind::kBinary, "/", std::move(left), Power());
      else return left;
    }
  }
  Node Power() {
    Node left = Unary();
    while (Take("^")) left = Make(NodeKind::kBinary, "^", std::move(left), Unary());
    return left;
  }
  Node Unary() {
    Depth d(*this);
    if (Take("-")) return Make(NodeKind::kUnary, "-", Unary());
    if (Take("+")) return Make(NodeKind::kUnary, "+", Unary());
    Node n = Primary();
    while (Take("%")) n = Make(NodeKind::kPercent, "%", std::move(n));
    return n;
  }

  Node Primary() {
    Depth d(*this);
    SkipSpace();
    if (pos_ >= s_.size()) Fail("formula ends too early");
    const char c = s_[pos_];
    if (c == '(') {
      ++pos_;
      Node inner = Comparison();
      Expect(')');
      return inner;
    }
    if (c == '"') return TextLiteral();
    if (c == '#') return ErrorLiteralNode();
    if (c == '{') return ArrayConstant();
    if (c == '\'') {
      std::string sheet = QuotedSheet();
      if (pos_ >= s_.size() || s_[pos_] != '!') Fail("\"!\" expected after a sheet name");
      ++pos_;
      return Reference(sheet, true);
    }
    if (std::optional<Node> ref = TryReference("")) return std::move(*ref);
    if (IsDigit(c) || c == '.') return NumberLiteral();
    if (IsAlpha(c) || c == '_' || c == '\\' || c == '$' || static_cast<unsigned char>(c) >= 0x80) return NameOrCall();
    Fail(std::string("unexpected \"") + c + "\"");
  }

  Node TextLiteral() {
    ++pos_;
    std::string text;
    for (;;) {
      if (pos_ >= s_.size()) Fail("a text has no closing quote");
      if (s_[pos_] == '"') {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '"') {
          text += '"';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      text += s_[pos_++];
    }
    Node n;
    n.kind = NodeKind::kText;
    n.text = std::move(text);
    return n;
  }

  Node ErrorLiteralNode() {
    for (const ErrorLiteral& e : kErrorLiterals) {
      const size_t n = std::strlen(e.text);
      if (s_.size() - pos_ >= n && Upper(s_.substr(pos_, n)) == e.text) {
        pos_ += n;
        Node node;
        node.kind = NodeKind::kError;
        node.error = e.error;
        return node;
      }
    }
    Fail("unknown error value");
  }

  Node NumberLiteral() {
    const char* begin = s_.c_str() + pos_;
    size_t i = pos_;
    while (i < s_.size() && IsDigit(s_[i])) ++i;
    if (i < s_.size() && s_[i] == '.') {
      ++i;
      while (i < s_.size() && IsDigit(s_[i])) ++i;
    }
    if (i < s_.size() && (s_[i] == 'e' || s_[i] == 'E')) {
      size_t k = i + 1;
      if (k < s_.size() && (s_[k] == '+' || s_[k] == '-')) ++k;
      if (k < s_.size() && IsDigit(s_[k])) {
        while (k < s_.size() && IsDigit(s_[k])) ++k;
        i = k;
      }
    }
    if (i == pos_ || (i == pos_ + 1 && s_[pos_] == '.')) Fail("malformed number");
    Node n;
    n.kind = NodeKind::kNumber;
    n.number = std::strtod(std::string(begin, i - pos_).c_str(), nullptr);
    pos_ = i;
    if (!std::isfinite(n.number)) {
      n.kind = NodeKind::kError;  // 1E999: no number a cell can hold
      n.error = CellError::kNum;
    }
    return n;
  }

  Node ArrayConstant() {
    ++pos_;
    Node n;
    n.kind = NodeKind::kArray;
    int cols_in_row = 0;
    n.rows = 1;
    for (;;) {
      SkipSpace();
      bool negative = false;
      if (Take("-")) negative = true;
      else Take("+");
      SkipSpace();
      Node element;
      if (pos_ < s_.size() && s_[pos_] == '"') element = TextLiteral();
      else if (pos_ < s_.size() && s_[pos_] == '#') element = ErrorLiteralNode();
      else if (pos_ < s_.size() && (IsDigit(s_[pos_]) || s_[pos_] == '.')) element = NumberLiteral();
      else if (Take("TRUE") || Take("true")) element.kind = NodeKind::kBoolean, element.number = 1;
      else if (Take("FALSE") || Take("false")) element.kind = NodeKind::kBoolean, element.number = 0;
      else Fail("an array constant holds only numbers, texts, Booleans and errors");
      if (negative) {
        if (element.kind != NodeKind::kNumber) Fail("\"-\" before a non-number in an array constant");
        element.number = -element.number;
      }
      n.children.push_back(std::move(element));
      ++cols_in_row;
      if (n.children.size() > 100000) Fail("array constant too large");
      SkipSpace();
      if (Take(",")) continue;
      if (Take(";")) {
        if (n.cols == 0) n.cols = cols_in_row;
        if (cols_in_row != n.cols) Fail("the rows of an array constant differ in length");
        cols_in_row = 0;
        ++n.rows;
        continue;
      }
      Expect('}');
      if (n.cols == 0) n.cols = cols_in_row;
      if (cols_in_row != n.cols) Fail("the rows of an array constant differ in length");
      return n;
    }
  }

  std::string QuotedSheet() {
    ++pos_;
    std::string name;
    for (;;) {
      if (pos_ >= s_.size()) Fail("a sheet name has no closing quote");
      if (s_[pos_] == '\'') {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
          name += '\'';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      name += s_[pos_++];
    }
    if (name.empty()) Fail("empty sheet name");
    return name;
  }

  // Reads "$A$1", "A1", "AB12" at i: column (0 when absent) and row (0
  // when absent); returns the index after it, or npos.
  size_t CellPart(size_t i, int* col, int* row) const {
    *col = 0, *row = 0;
    if (i < s_.size() && s_[i] == '$') ++i;
    size_t letters = i;
    while (letters < s_.size() && IsAlpha(s_[letters]) && letters - i < 4) ++letters;
    if (letters > i && letters - i <= 3) {
      int c = 0;
      for (size_t k = i; k < letters; ++k) c = c * 26 + (std::toupper(static_cast<unsigned char>(s_[k])) - 'A' + 1);
      *col = c;
      i = letters;
      if (i < s_.size() && s_[i] == '$') ++i;
    } else if (letters > i) {
      return std::string::npos;
    }
    size_t digits = i;
    while (digits < s_.size() && IsDigit(s_[digits]) && digits - i < 8) ++digits;
    if (digits > i) {
      *row = std::atoi(s_.substr(i, digits - i).c_str());
      if (*row == 0) return std::string::npos;
      i = digits;
    }
    if (*col == 0 && *row == 0) return std::string::npos;
    return i;
  }

  // A reference at the current position, or nullopt (nothing consumed).
  std::optional<Node> TryReference(const std::string& sheet) {
    const size_t start = pos_;
    int col1, row1;
    size_t i = CellPart(pos_, &col1, &row1);
    if (i == std::string::npos) return std::nullopt;
    CellRef ref;
    ref.sheet = sheet;
    bool ok = false;
    if (col1 > 0 && row1 > 0) {
      ref.col1 = ref.col2 = col1, ref.row1 = ref.row2 = row1;
      ok = true;
    }
    if (i < s_.size() && s_[i] == ':') {
      int col2, row2;
      const size_t j = CellPart(i + 1, &col2, &row2);
      if (j != std::string::npos && (col2 > 0) == (col1 > 0) && (row2 > 0) == (row1 > 0)) {
        if (col1 == 0) col1 = 1, col2 = kMaxCols;  // whole rows
        if (row1 == 0) row1 = 1, row2 = kMaxRows;  // whole columns
        ref.row1 = std::min(row1, row2), ref.row2 = std::max(row1, row2);
        ref.col1 = std::min(col1, col2), ref.col2 = std::max(col1, col2);
        i = j;
        ok = true;
      }
    }
    if (!ok) return std::nullopt;
    // "A1B" or "LOG10(" are names, not references.
    if (i < s_.size() && (IsNameChar(s_[i]) || s_[i] == '(' || s_[i] == '!')) return std::nullopt;
    pos_ = i;
    Node n;
    n.kind = NodeKind::kRef;
    n.ref = ref;
    if (ref.row2 > kMaxRows || ref.col2 > kMaxCols) {
      n.kind = NodeKind::kError;  // off the grid, as a deleted cell's reference reads
      n.error = CellError::kRef;
    }
    (void)start;
    return n;
  }

  Node Reference(const std::string& sheet, bool required) {
    if (std::optional<Node> ref = TryReference(sheet)) return std::move(*ref);
    if (required) Fail("a reference expected after \"" + sheet + "!\"");
    return Node();
  }

  Node NameOrCall() {
    const size_t start = pos_;
    if (s_[pos_] == '$') Fail("\"$\" outside a reference");
    while (pos_ < s_.size() && IsNameChar(s_[pos_])) ++pos_;
    std::string name = s_.substr(start, pos_ - start);
    if (pos_ < s_.size() && s_[pos_] == '!') {
      ++pos_;
      return Reference(name, true);
    }
    if (Peek('(')) return Call(name);
    const std::string upper = Upper(name);
    if (upper == "TRUE" || upper == "FALSE") {
      Node n;
      n.kind = NodeKind::kBoolean;
      n.number = upper == "TRUE" ? 1 : 0;
      return n;
    }
    Node n;
    n.kind = NodeKind::kName;
    n.text = upper;
    return n;
  }

  Node Call(const std::string& written) {
    Depth d(*this);
    Expect('(');
    std::string name = Upper(written);
    for (const char* prefix : {"_XLFN._XLWS.", "_XLFN.", "_XLWS."}) {
      if (name.rfind(prefix, 0) == 0) name = name.substr(std::strlen(prefix));
    }
    Node n;
    n.kind = NodeKind::kCall;
    n.text = name;
    n.function = FindFunction(name);
    if (Take(")")) return n;
    for (;;) {
      SkipSpace();
      if (Peek(',') || Peek(')')) n.children.push_back(Node());  // an omitted argument
      else n.children.push_back(Comparison());
      if (n.children.size() > 255) Fail("more than 255 arguments");
      if (Take(",")) continue;
      Expect(')');
      return n;
    }
  }

  const std::string& s_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

ParseResult ParseFormula(const std::string& text) {
  ParseResult result;
  if (text.size() > kMaxText) {
    result.error = "formula longer than 16,384 characters";
    return result;
  }
  try {
    result.root = Parser(text).Run();
  } catch (const ParseFailure& failure) {
    result.error = failure.why;
  }
  return result;
}

}  // namespace plrxl::formula
