#include "quotes/store/sqlite_db.h"

#include <sqlite3.h>

#include <cmath>
#include <utility>

namespace plrxl::quotes {
namespace {

[[noreturn]] void Throw(sqlite3* db, int code, const std::string& doing) {
  const char* words = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  throw SqliteError(code, doing + ": " + (words != nullptr ? words : sqlite3_errstr(code)));
}

}  // namespace

SqliteDb::SqliteDb(const std::string& path, Mode mode) {
  const int flags = mode == Mode::kReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  const int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    const std::string words = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw SqliteError(rc, "cannot open " + path + ": " + words);
  }
  read_only_ = mode == Mode::kReadOnly;
  sqlite3_extended_result_codes(db_, 1);
}

SqliteDb::~SqliteDb() { Close(); }

SqliteDb::SqliteDb(SqliteDb&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), read_only_(other.read_only_) {}

SqliteDb& SqliteDb::operator=(SqliteDb&& other) noexcept {
  if (this != &other) {
    Close();
    db_ = std::exchange(other.db_, nullptr);
    read_only_ = other.read_only_;
  }
  return *this;
}

void SqliteDb::Close() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqliteDb::Exec(const std::string& sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    const std::string words = error != nullptr ? error : sqlite3_errstr(rc);
    sqlite3_free(error);
    throw SqliteError(rc, words);
  }
}

int64_t SqliteDb::QueryInt(const std::string& sql) {
  SqliteStatement statement(*this, sql);
  return statement.Step() ? statement.Int(0) : 0;
}

std::string SqliteDb::QueryText(const std::string& sql) {
  SqliteStatement statement(*this, sql);
  return statement.Step() ? statement.Text(0) : std::string();
}

int64_t SqliteDb::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

SqliteStatement::SqliteStatement(SqliteDb& db, const std::string& sql) : db_(&db) {
  const int rc = sqlite3_prepare_v2(db.Handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr);
  if (rc != SQLITE_OK) Throw(db.Handle(), rc, "prepare");
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, double value) {
  if (std::isnan(value)) {
    sqlite3_bind_null(stmt_, index);
  } else {
    sqlite3_bind_double(stmt_, index, value);
  }
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::string_view bytes) {
  sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
  sqlite3_bind_null(stmt_, index);
  return *this;
}

bool SqliteStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Throw(db_->Handle(), rc, "step");
}

void SqliteStatement::Run() {
  while (Step()) {
  }
  Reset();
}

void SqliteStatement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

double SqliteStatement::Double(int column) const {
  if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nan("");
  return sqlite3_column_double(stmt_, column);
}

std::string SqliteStatement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  if (text == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::string_view SqliteStatement::Blob(int column) const {
  const void* bytes = sqlite3_column_blob(stmt_, column);
  if (bytes == nullptr) return {};
  return {static_cast<const char*>(bytes), static_cast<size_t>(sqlite3_column_bytes(stmt_, column))};
}

bool SqliteStatement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

SqliteTransaction::SqliteTransaction(SqliteDb& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

SqliteTransaction::~SqliteTransaction() {
  if (done_) return;
  try {
    db_.Exec("ROLLBACK");
  } catch (const SqliteError&) {
    // SQLite may have rolled back by itself (a full disk does); nothing is left to undo.
  }
}

void SqliteTransaction::Commit() {
  db_.Exec("COMMIT");
  done_ = true;
}

}  // namespace plrxl::quotes
