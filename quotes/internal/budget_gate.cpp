#include "quotes/internal/budget_gate.h"

#include "quotes/quote_errors.h"
#include "quotes/request_budget.h"

namespace plrxl::quotes {

Outcome FetchWithinBudget(SourceBase& source, const RequestInputs& in, FetchContext& context, bool series_known) {
  RequestBudget* budget = context.settings.budget.get();
  if (budget == nullptr || !source.Stored()) return source.Fetch(in, context);
  const std::string& name = source.Name();
  if (std::optional<std::string> empty = budget->KnownEmpty(name, in.ticker)) {
    return Outcome::Failure(kQuoteNoData, *empty);
  }
  FetchContext gated = context;
  const CancelFlag& cancel = context.cancel;
  gated.policy.admit = [&]() -> std::optional<FetchResult> {
    const RequestBudget::Admission admission = budget->Admit(name, in.ticker, [&] { return cancel.IsSet(); });
    if (admission.verdict == RequestBudget::Verdict::kGo) return std::nullopt;
    FetchResult refused;
    refused.error = admission.verdict == RequestBudget::Verdict::kDeferred ? kQuoteDeferred : kQuoteCancelled;
    refused.text = admission.verdict == RequestBudget::Verdict::kDeferred ? admission.text
                                                                           : QuoteErrorText(kQuoteCancelled);
    return refused;
  };
  gated.policy.throttled = [&](const HttpResponse& r) { budget->Throttled(name, RetryAfterOf(r), ""); };
  // Each throttled answer counts towards pausing the source, whose next
  // admission then defers the row: the loop ends after a few turns.
  for (int turn = 0;; ++turn) {
    Outcome outcome = source.Fetch(in, gated);
    if (outcome.error == kQuoteThrottled && turn <= RequestBudget::kPauseAfter) {
      // A limit the provider put in words: they may say when it reopens.
      std::string words = outcome.description;
      const std::string standard = std::string(QuoteErrorText(kQuoteThrottled)) + ": ";
      if (words.rfind(standard, 0) == 0) words = words.substr(standard.size());
      budget->Throttled(name, "", words);
      continue;  // the next admission waits, or defers the row
    }
    if (outcome.error != kQuoteDeferred && outcome.error != kQuoteCancelled) budget->Answered(name);
    if (outcome.error == kQuoteNoData && !series_known) budget->RememberEmpty(name, in.ticker);
    return outcome;
  }
}

}  // namespace plrxl::quotes
