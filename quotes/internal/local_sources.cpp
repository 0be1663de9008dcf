// The sources that read local files: CSV (a folder with one file per
// ticker) and DDE (a link; on this platform only the service "FILE", which
// names a CSV file inside the DDE folder as its topic).
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "quotes/internal/csv_quotes.h"
#include "quotes/internal/link_folder.h"
#include "quotes/internal/sources.h"

namespace plrxl::quotes {
namespace fs = std::filesystem;
namespace {

constexpr size_t kMaxFileBytes = 256u << 20;

fs::path Resolve(const QuoteSettings& settings, const std::string& path) {
  fs::path p(path);
  if (p.is_absolute()) return p;
  const fs::path base = settings.base_folder.empty() ? fs::current_path() : fs::path(settings.base_folder);
  return base / p;
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class CsvSource : public SourceBase {
 public:
  explicit CsvSource(FetcherCore* core)
      : SourceBase(core, "CSV", "Quote files in a local folder, one file per ticker", kCapHistorical) {}

  std::vector<RequestParameter> ExtraParameters() const override {
    return {{"ADJUST VALUES", kParamBoolean, Variant(false)}};
  }

  Outcome Fetch(const RequestInputs& in, FetchContext& context) override {
    // A ticker never names another folder.
    std::string name = in.ticker;
    for (auto& c : name) {
      if (c == '/' || c == '\\' || c == ':') c = '_';
    }
    if (name == "." || name == "..") return Outcome::Failure(kQuoteBadParameter, "TICKER \"" + name + "\"");
    const fs::path folder = Resolve(context.settings, context.settings.csv_folder);
    std::error_code ec;
    fs::path found;
    for (const std::string& stem : {name, Upper(name), Lower(name)}) {
      for (const char* ext : {".csv", ".CSV", ".txt"}) {
        const fs::path candidate = folder / (stem + ext);
        if (fs::is_regular_file(candidate, ec)) {
          found = candidate;
          break;
        }
      }
      if (!found.empty()) break;
    }
    if (found.empty()) {
      return Outcome::Failure(kQuoteFile, "no file " + name + ".csv in " + folder.string());
    }
    Bars bars;
    Outcome failure;
    if (!ReadCsvFile(found.string(), context.settings.regional, &bars, &failure)) return failure;
    return Finish(std::move(bars), in);
  }
};

class DdeSource : public SourceBase {
 public:
  explicit DdeSource(FetcherCore* core)
      : SourceBase(core, "DDE", "A link to another program (service FILE reads a CSV file)", kCapLink) {}

  std::vector<RequestParameter> ExtraParameters() const override {
    return {{"SERVICE", kParamText, Variant("FILE")},
            {"TOPIC", kParamText, Variant("")},
            {"ITEM", kParamText, Variant("")},
            {"PERIOD", kParamText, Variant("")},
            {"TYPE", kParamText, Variant("")}};
  }

  Outcome Fetch(const RequestInputs& in, FetchContext& context) override {
    if (Upper(in.service) != "FILE") {
      return Outcome::Failure(kQuoteUnsupported, "DDE service \"" + in.service +
                                                     "\" (only FILE, with a CSV file as topic, works here)");
    }
    if (in.topic.empty()) return Outcome::Failure(kQuoteBadParameter, "TOPIC names no file");
    RequestInputs effective = in;
    if (!in.item.empty()) effective.ticker = in.item;
    if (!in.period.empty()) {
      const auto p = ParsePeriodicity(in.period);
      if (!p) return Outcome::Failure(kQuoteBadParameter, "PERIOD \"" + in.period + "\"");
      effective.periodicity = *p;
    }
    std::string why;
    const fs::path file = ResolveLinkFile(context.settings, in.topic, &why);
    if (file.empty()) return Outcome::Failure(kQuoteFile, why);
    Bars bars;
    Outcome failure;
    if (!ReadCsvFile(file.string(), context.settings.regional, &bars, &failure)) return failure;
    return Finish(std::move(bars), effective);
  }
};

}  // namespace

bool ReadCsvFile(const std::string& path, const RegionalSettings& regional, Bars* bars,
                 Outcome* failure) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) {
    *failure = Outcome::Failure(kQuoteFile, "cannot open " + path);
    return false;
  }
  if (size > kMaxFileBytes) {
    *failure = Outcome::Failure(kQuoteTooLarge, path);
    return false;
  }
  std::string text(static_cast<size_t>(size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  std::string error;
  if (!ParseQuoteCsv(text, regional, bars, &error)) {
    *failure = Outcome::Failure(kQuoteBadPayload, fs::path(path).filename().string() + " " + error);
    return false;
  }
  return true;
}

std::unique_ptr<SourceBase> MakeCsvSource(FetcherCore* core) { return std::make_unique<CsvSource>(core); }
std::unique_ptr<SourceBase> MakeDdeSource(FetcherCore* core) { return std::make_unique<DdeSource>(core); }

}  // namespace plrxl::quotes
