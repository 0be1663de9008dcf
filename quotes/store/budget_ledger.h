// The request ledger: every request a web source was sent, per source and
// key (a hash of the API key, never the key), with the state of its rate
// (tokens of the bucket, the rate learned from throttled answers, a window
// a throttled answer closed) and the symbols a source knew nothing of. It
// lives in the quote store's file, in tables of its own, so several
// processes share it: every change runs in one BEGIN IMMEDIATE transaction,
// and a request is booked before it is sent. Without a store file it lives
// in memory for one run.
//
// Times: `utc_ms` are milliseconds since 1970 UTC; `mono_ms` the monotonic
// clock's milliseconds, which all processes of one boot share.
// Failures throw quotes::SqliteError; the caller decides what follows.
// Not thread-safe: the caller serialises.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quotes/store/sqlite_db.h"

namespace plrxl {

struct LedgerState {
  double tokens = -1;        // -1: a full bucket (never used)
  int64_t tokens_mono_ms = 0;
  double learned_rate = 0;   // requests a second; 0: none learned
  int64_t closed_until_utc_ms = 0;
  std::string closed_why;    // "TIINGO asked to wait (HTTP 429, Retry-After 60 s)"
};

class BudgetLedger {
 public:
  // Opens the ledger tables in the file at `path` (made when missing unless
  // read_only), or an empty ledger in memory for "". Throws SqliteError.
  BudgetLedger(const std::string& path, bool read_only);

  bool ReadOnly() const { return db_.ReadOnly(); }
  bool InMemory() const { return in_memory_; }

  // Runs `body` in one BEGIN IMMEDIATE transaction (plain reads when read
  // only) and commits it; a throw rolls it back.
  template <typename Body>
  auto Transaction(Body body) {
    if (db_.ReadOnly()) return body();
    quotes::SqliteTransaction transaction(db_);
    auto result = body();
    transaction.Commit();
    return result;
  }

  LedgerState State(const std::string& source, const std::string& key_hash);
  void SaveState(const std::string& source, const std::string& key_hash, const LedgerState& state);
  // Books one request.
  void Record(const std::string& source, const std::string& key_hash, const std::string& symbol, int64_t utc_ms);
  // Requests booked at or after `since_utc_ms`.
  int64_t CountSince(const std::string& source, const std::string& key_hash, int64_t since_utc_ms);
  // Distinct symbols asked for since then, and whether `symbol` is one.
  int64_t SymbolsSince(const std::string& source, const std::string& key_hash, int64_t since_utc_ms);
  bool AskedSince(const std::string& source, const std::string& key_hash, const std::string& symbol,
                  int64_t since_utc_ms);
  // Requests booked in [from, to): for the rate a source was asked at.
  int64_t CountBetween(const std::string& source, const std::string& key_hash, int64_t from_utc_ms, int64_t to_utc_ms);
  // The source and key hashes the ledger holds anything of.
  std::vector<std::pair<std::string, std::string>> Keys();

  // A symbol the source had no data for, until `until_utc_ms`.
  void RememberEmpty(const std::string& source, const std::string& symbol, int64_t until_utc_ms);
  // When the source last said it had nothing for `symbol`, if that still
  // holds at `now_utc_ms`: the time it holds until.
  std::optional<int64_t> EmptyUntil(const std::string& source, const std::string& symbol, int64_t now_utc_ms);
  // Forgets requests booked before `before_utc_ms` and empty symbols that ran out.
  void Prune(int64_t before_utc_ms, int64_t now_utc_ms);

 private:
  quotes::SqliteDb db_;
  bool in_memory_ = false;
  bool has_tables_ = true;  // false for a read-only file written before the ledger
};

}  // namespace plrxl
