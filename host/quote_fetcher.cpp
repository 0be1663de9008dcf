#include "host/quote_fetcher.h"

#include <cctype>
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

const ResultField* ResultSeries::Find(const std::string& field_name) const {
  for (const auto& f : fields) {
    if (SameName(f.name, field_name)) return &f;
  }
  return nullptr;
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
