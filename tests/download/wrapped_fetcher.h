// Forwarding wrappers around the real quote component for fault injection:
// requests that report "running" for their first polls (so a cancel lands
// inside a download) and results altered after they arrive (fields the
// SAMPLE source does not deliver).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/quote_fetcher.h"

namespace plrxl::testing {

using AlterResult = std::function<void(QuoteResult&)>;

class WrappedRequest : public QuoteRequest {
 public:
  WrappedRequest(std::unique_ptr<QuoteRequest> inner, int running_polls, AlterResult alter)
      : inner_(std::move(inner)), running_polls_(running_polls), alter_(std::move(alter)) {}
  ParameterSet& Parameters() override { return inner_->Parameters(); }
  void SetCallback(IProgressCallBack* callback) override { inner_->SetCallback(callback); }
  uint32_t Id() const override { return inner_->Id(); }
  void Start() override { inner_->Start(); }
  int32_t State() override { return ++polls_ <= running_polls_ ? kStateRunning : inner_->State(); }
  int32_t ErrorNumber() const override { return inner_->ErrorNumber(); }
  std::string ErrorDescription() const override { return inner_->ErrorDescription(); }
  const QuoteResult& Result() const override {
    if (!alter_) return inner_->Result();
    altered_ = inner_->Result();
    alter_(altered_);
    return altered_;
  }
  void Cancel() override { inner_->Cancel(); }

 private:
  std::unique_ptr<QuoteRequest> inner_;
  int running_polls_;
  AlterResult alter_;
  int polls_ = 0;
  mutable QuoteResult altered_;
};

class WrappedSource : public QuoteSource {
 public:
  WrappedSource(QuoteSource* inner, int running_polls, AlterResult alter)
      : inner_(inner), running_polls_(running_polls), alter_(std::move(alter)) {}
  uint32_t Capabilities() const override { return inner_->Capabilities(); }
  const std::string& Name() const override { return inner_->Name(); }
  const std::string& Description() const override { return inner_->Description(); }
  std::unique_ptr<QuoteRequest> CreateRequest() override {
    return std::make_unique<WrappedRequest>(inner_->CreateRequest(), running_polls_, alter_);
  }

 private:
  QuoteSource* inner_;
  int running_polls_;
  AlterResult alter_;
};

class WrappedFetcher : public QuoteFetcher {
 public:
  WrappedFetcher(std::unique_ptr<QuoteFetcher> inner, int running_polls, AlterResult alter = {})
      : inner_(std::move(inner)) {
    for (int i = 0; i < inner_->SourceCount(); ++i) {
      sources_.push_back(std::make_unique<WrappedSource>(inner_->Source(i), running_polls, alter));
    }
  }
  int SourceCount() const override { return inner_->SourceCount(); }
  QuoteSource* Source(int i) override { return i >= 0 && i < SourceCount() ? sources_[i].get() : nullptr; }
  QuoteSource* FindSource(const std::string& name) override {
    QuoteSource* found = inner_->FindSource(name);
    for (auto& s : sources_) {
      if (found != nullptr && s->Name() == found->Name()) return s.get();
    }
    return nullptr;
  }
  void Prefetch(const std::vector<PrefetchItem>& items) override { inner_->Prefetch(items); }
  void CancelAll() override { inner_->CancelAll(); }

 private:
  std::unique_ptr<QuoteFetcher> inner_;
  std::vector<std::unique_ptr<WrappedSource>> sources_;
};

}  // namespace plrxl::testing
