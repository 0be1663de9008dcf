#include "quotes/store/budget_ledger.h"

namespace plrxl {

using quotes::SqliteDb;
using quotes::SqliteStatement;

namespace {

constexpr const char* kLedgerSchema = R"(
CREATE TABLE IF NOT EXISTS budget_requests(source TEXT NOT NULL, key_hash TEXT NOT NULL, at_ms INTEGER NOT NULL,
                                           symbol TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS budget_requests_at ON budget_requests(source, key_hash, at_ms);
CREATE TABLE IF NOT EXISTS budget_state(source TEXT NOT NULL, key_hash TEXT NOT NULL, tokens REAL NOT NULL,
                                        tokens_mono_ms INTEGER NOT NULL, learned_rate REAL NOT NULL,
                                        closed_until_ms INTEGER NOT NULL, closed_why TEXT NOT NULL,
                                        PRIMARY KEY(source, key_hash)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS budget_empty(source TEXT NOT NULL, symbol TEXT NOT NULL, until_ms INTEGER NOT NULL,
                                        PRIMARY KEY(source, symbol)) WITHOUT ROWID;
)";

}  // namespace

BudgetLedger::BudgetLedger(const std::string& path, bool read_only) {
  in_memory_ = path.empty();
  db_ = SqliteDb(in_memory_ ? ":memory:" : path,
                 read_only && !in_memory_ ? SqliteDb::Mode::kReadOnly : SqliteDb::Mode::kReadWriteCreate);
  db_.Exec("PRAGMA busy_timeout=10000");
  if (db_.ReadOnly()) {
    has_tables_ = db_.QueryInt("SELECT count(*) FROM sqlite_master WHERE name='budget_state'") > 0;
    return;
  }
  db_.Exec(kLedgerSchema);
}

LedgerState BudgetLedger::State(const std::string& source, const std::string& key_hash) {
  LedgerState state;
  if (!has_tables_) return state;
  SqliteStatement read(db_, "SELECT tokens, tokens_mono_ms, learned_rate, closed_until_ms, closed_why FROM "
                            "budget_state WHERE source=? AND key_hash=?");
  read.Bind(1, source).Bind(2, key_hash);
  if (!read.Step()) return state;
  state.tokens = read.Double(0);
  state.tokens_mono_ms = read.Int(1);
  state.learned_rate = read.Double(2);
  state.closed_until_utc_ms = read.Int(3);
  state.closed_why = read.Text(4);
  return state;
}

void BudgetLedger::SaveState(const std::string& source, const std::string& key_hash, const LedgerState& state) {
  SqliteStatement write(db_, "INSERT OR REPLACE INTO budget_state VALUES(?,?,?,?,?,?,?)");
  write.Bind(1, source).Bind(2, key_hash).Bind(3, state.tokens).Bind(4, state.tokens_mono_ms);
  write.Bind(5, state.learned_rate).Bind(6, state.closed_until_utc_ms).Bind(7, state.closed_why).Run();
}

void BudgetLedger::Record(const std::string& source, const std::string& key_hash, const std::string& symbol,
                          int64_t utc_ms) {
  SqliteStatement insert(db_, "INSERT INTO budget_requests VALUES(?,?,?,?)");
  insert.Bind(1, source).Bind(2, key_hash).Bind(3, utc_ms).Bind(4, symbol).Run();
}

int64_t BudgetLedger::CountSince(const std::string& source, const std::string& key_hash, int64_t since_utc_ms) {
  return CountBetween(source, key_hash, since_utc_ms, INT64_MAX);
}

int64_t BudgetLedger::CountBetween(const std::string& source, const std::string& key_hash, int64_t from_utc_ms,
                                   int64_t to_utc_ms) {
  if (!has_tables_) return 0;
  SqliteStatement count(db_, "SELECT count(*) FROM budget_requests WHERE source=? AND key_hash=? AND at_ms>=? AND "
                             "at_ms<?");
  count.Bind(1, source).Bind(2, key_hash).Bind(3, from_utc_ms).Bind(4, to_utc_ms);
  return count.Step() ? count.Int(0) : 0;
}

int64_t BudgetLedger::SymbolsSince(const std::string& source, const std::string& key_hash, int64_t since_utc_ms) {
  if (!has_tables_) return 0;
  SqliteStatement count(db_, "SELECT count(DISTINCT symbol) FROM budget_requests WHERE source=? AND key_hash=? AND "
                             "at_ms>=?");
  count.Bind(1, source).Bind(2, key_hash).Bind(3, since_utc_ms);
  return count.Step() ? count.Int(0) : 0;
}

bool BudgetLedger::AskedSince(const std::string& source, const std::string& key_hash, const std::string& symbol,
                              int64_t since_utc_ms) {
  if (!has_tables_) return false;
  SqliteStatement find(db_, "SELECT 1 FROM budget_requests WHERE source=? AND key_hash=? AND at_ms>=? AND symbol=? "
                            "LIMIT 1");
  find.Bind(1, source).Bind(2, key_hash).Bind(3, since_utc_ms).Bind(4, symbol);
  return find.Step();
}

std::vector<std::pair<std::string, std::string>> BudgetLedger::Keys() {
  std::vector<std::pair<std::string, std::string>> keys;
  if (!has_tables_) return keys;
  SqliteStatement read(db_, "SELECT source, key_hash FROM budget_state UNION SELECT DISTINCT source, key_hash FROM "
                            "budget_requests ORDER BY 1, 2");
  while (read.Step()) keys.emplace_back(read.Text(0), read.Text(1));
  return keys;
}

void BudgetLedger::RememberEmpty(const std::string& source, const std::string& symbol, int64_t until_utc_ms) {
  SqliteStatement write(db_, "INSERT OR REPLACE INTO budget_empty VALUES(?,?,?)");
  write.Bind(1, source).Bind(2, symbol).Bind(3, until_utc_ms).Run();
}

std::optional<int64_t> BudgetLedger::EmptyUntil(const std::string& source, const std::string& symbol,
                                                int64_t now_utc_ms) {
  if (!has_tables_) return std::nullopt;
  SqliteStatement read(db_, "SELECT until_ms FROM budget_empty WHERE source=? AND symbol=? AND until_ms>?");
  read.Bind(1, source).Bind(2, symbol).Bind(3, now_utc_ms);
  if (!read.Step()) return std::nullopt;
  return read.Int(0);
}

void BudgetLedger::Prune(int64_t before_utc_ms, int64_t now_utc_ms) {
  SqliteStatement old(db_, "DELETE FROM budget_requests WHERE at_ms<?");
  old.Bind(1, before_utc_ms).Run();
  SqliteStatement gone(db_, "DELETE FROM budget_empty WHERE until_ms<=?");
  gone.Bind(1, now_utc_ms).Run();
}

}  // namespace plrxl
