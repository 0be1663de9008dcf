#include "quotes/fault_injecting_fetcher.h"

#include <atomic>
#include <chrono>
#include <vector>

namespace plrxl {
namespace {

using Clock = std::chrono::steady_clock;

struct Shared {
  FaultPlan plan;
  std::atomic<int> starts{0};
};

class WrappedRequest : public QuoteRequest {
 public:
  WrappedRequest(std::unique_ptr<QuoteRequest> inner, std::shared_ptr<Shared> shared)
      : inner_(std::move(inner)), shared_(std::move(shared)) {}

  ParameterSet& Parameters() override { return inner_->Parameters(); }
  void SetCallback(IProgressCallBack* callback) override { inner_->SetCallback(callback); }
  uint32_t Id() const override { return inner_->Id(); }

  void Start() override {
    if (started_) return;
    started_ = true;
    ready_at_ = Clock::now() + std::chrono::milliseconds(shared_->plan.delay_ms);
    failed_ = ++shared_->starts == shared_->plan.fail_call;
    if (!failed_) inner_->Start();
  }

  int32_t State() override {
    if (!started_) return kStateCreated;
    if (cancelled_) return kStateFinished;
    const int32_t inner = failed_ ? kStateFinished : inner_->State();
    if (inner == kStateFinished && Clock::now() < ready_at_) return kStateRunning;
    return inner;
  }

  int32_t ErrorNumber() const override {
    if (cancelled_) return kQuoteCancelled;
    return failed_ ? shared_->plan.error : inner_->ErrorNumber();
  }
  std::string ErrorDescription() const override {
    if (cancelled_) return QuoteErrorText(kQuoteCancelled);
    return failed_ ? shared_->plan.description : inner_->ErrorDescription();
  }
  const QuoteResult& Result() const override {
    static const QuoteResult kEmpty;
    return failed_ || cancelled_ ? kEmpty : inner_->Result();
  }
  void Cancel() override {
    if (!started_) {
      inner_->Cancel();
      return;
    }
    if (State() == kStateFinished) return;
    // A request held back only by the delay ends at once, like a real one.
    inner_->Cancel();
    cancelled_ = true;
  }

 private:
  std::unique_ptr<QuoteRequest> inner_;
  std::shared_ptr<Shared> shared_;
  bool started_ = false, failed_ = false, cancelled_ = false;
  Clock::time_point ready_at_;
};

class WrappedSource : public QuoteSource {
 public:
  WrappedSource(QuoteSource* inner, std::shared_ptr<Shared> shared) : inner_(inner), shared_(std::move(shared)) {}
  uint32_t Capabilities() const override { return inner_->Capabilities(); }
  const std::string& Name() const override { return inner_->Name(); }
  const std::string& Description() const override { return inner_->Description(); }
  std::unique_ptr<QuoteRequest> CreateRequest() override {
    return std::make_unique<WrappedRequest>(inner_->CreateRequest(), shared_);
  }
  QuoteSource* Inner() const { return inner_; }

 private:
  QuoteSource* inner_;
  std::shared_ptr<Shared> shared_;
};

class Fetcher : public QuoteFetcher {
 public:
  Fetcher(std::unique_ptr<QuoteFetcher> inner, const FaultPlan& plan)
      : inner_(std::move(inner)), shared_(std::make_shared<Shared>()) {
    shared_->plan = plan;
    for (int i = 0; i < inner_->SourceCount(); ++i) {
      sources_.push_back(std::make_unique<WrappedSource>(inner_->Source(i), shared_));
    }
  }
  int SourceCount() const override { return static_cast<int>(sources_.size()); }
  QuoteSource* Source(int index) override {
    if (index < 0 || index >= SourceCount()) return nullptr;
    return sources_[static_cast<size_t>(index)].get();
  }
  QuoteSource* FindSource(const std::string& name) override {
    QuoteSource* inner = inner_->FindSource(name);
    for (auto& s : sources_) {
      if (inner != nullptr && s->Inner() == inner) return s.get();
    }
    return nullptr;
  }
  void Prefetch(const std::vector<PrefetchItem>& items) override { inner_->Prefetch(items); }
  void CancelAll() override { inner_->CancelAll(); }

 private:
  std::unique_ptr<QuoteFetcher> inner_;
  std::shared_ptr<Shared> shared_;
  std::vector<std::unique_ptr<WrappedSource>> sources_;
};

}  // namespace

std::unique_ptr<QuoteFetcher> MakeFaultInjectingFetcher(std::unique_ptr<QuoteFetcher> inner,
                                                        const FaultPlan& plan) {
  return std::make_unique<Fetcher>(std::move(inner), plan);
}

}  // namespace plrxl
