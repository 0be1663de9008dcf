#include "host/quote_fetcher.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "host/error.h"

namespace plrxl {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

[[noreturn]] void ThrowSubscript(const char* where) {
  throw Error(kErrSubscript, where, "Subscript out of range");
}

// What a value holds beyond its own size: its text, or its array's elements.
size_t VariantBytes(const Variant& v) {
  if (v.IsText()) return v.Text().capacity();
  if (!v.IsArray()) return 0;
  size_t bytes = sizeof(VariantArray);
  for (const Variant& e : v.Array().Data()) bytes += sizeof(Variant) + VariantBytes(e);
  return bytes;
}

}  // namespace

RequestParameter& ParameterSet::Item(int index) {
  if (index < 0 || index >= Count()) ThrowSubscript("ParameterSet.Item");
  return params_[static_cast<size_t>(index)];
}

const RequestParameter& ParameterSet::Item(int index) const {
  if (index < 0 || index >= Count()) ThrowSubscript("ParameterSet.Item");
  return params_[static_cast<size_t>(index)];
}

RequestParameter* ParameterSet::Find(const std::string& name) {
  for (auto& p : params_) {
    if (SameName(p.Name(), name)) return &p;
  }
  return nullptr;
}

const RequestParameter* ParameterSet::Find(const std::string& name) const {
  for (const auto& p : params_) {
    if (SameName(p.Name(), name)) return &p;
  }
  return nullptr;
}

ResultField ResultField::Column(std::string name, std::vector<double> column, bool dates) {
  ResultField f;
  f.name = std::move(name);
  f.column = std::move(column);
  f.dates = dates;
  return f;
}

int ResultField::LBound() const { return column.empty() && value.IsArray() ? value.Array().LBound(1) : 0; }

int ResultField::UBound() const {
  if (column.empty() && value.IsArray()) return value.Array().UBound(1);
  return static_cast<int>(column.size()) - 1;
}

Variant ResultField::At(int i) const {
  if (column.empty() && value.IsArray()) return value.Array().At(i);
  if (i < 0 || i >= static_cast<int>(column.size())) ThrowSubscript("ResultField.At");
  const double x = column[static_cast<size_t>(i)];
  if (std::isnan(x)) return Variant();  // the source sent no value
  return dates ? Variant::Date(x) : Variant(x);
}

const ResultField* ResultSeries::Find(const std::string& field_name) const {
  for (const auto& f : fields) {
    if (SameName(f.name, field_name)) return &f;
  }
  return nullptr;
}

size_t QuoteResult::Bytes() const {
  size_t bytes = sizeof(QuoteResult) + events.capacity() * sizeof(QuoteEvent);
  for (const ResultSeries& s : series) {
    bytes += sizeof(ResultSeries) + s.name.capacity();
    for (const ResultField& f : s.fields) {
      bytes += sizeof(ResultField) + f.name.capacity() + f.column.capacity() * sizeof(double) + VariantBytes(f.value);
    }
  }
  return bytes;
}

void RequestList::Add(const std::string& key, std::unique_ptr<QuoteRequest> request) {
  for (auto& item : items_) {
    if (item.first == key) {
      item.second = std::move(request);
      return;
    }
  }
  items_.emplace_back(key, std::move(request));
}

QuoteRequest* RequestList::Find(const std::string& key) const {
  for (const auto& item : items_) {
    if (item.first == key) return item.second.get();
  }
  return nullptr;
}

bool RequestList::Remove(const std::string& key) {
  for (auto it = items_.begin(); it != items_.end(); ++it) {
    if (it->first == key) {
      items_.erase(it);
      return true;
    }
  }
  return false;
}

QuoteRequest& RequestList::Item(int index) const {
  if (index < 0 || index >= Count()) ThrowSubscript("RequestList.Item");
  return *items_[static_cast<size_t>(index)].second;
}

const std::string& RequestList::Key(int index) const {
  if (index < 0 || index >= Count()) ThrowSubscript("RequestList.Key");
  return items_[static_cast<size_t>(index)].first;
}

void RequestList::CancelAll() {
  for (auto& item : items_) {
    if (item.second) item.second->Cancel();
  }
}

std::string RequestKey(uint32_t id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", id);
  return buf;
}

}  // namespace plrxl
