// A small RAII wrapper over SQLite's C API: a connection, prepared
// statements and a transaction guard. Failures throw SqliteError carrying
// SQLite's primary result code (SQLITE_FULL, SQLITE_BUSY, ...) and its own
// words, so the quote store can tell a full disk from a corrupt file.
// One connection is used by one thread at a time; the caller serialises.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace plrxl::quotes {

class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  // The primary result code (extended codes reduced to it).
  int Code() const { return code_ & 0xff; }

 private:
  int code_;
};

class SqliteDb {
 public:
  enum class Mode { kReadWriteCreate, kReadOnly };
  SqliteDb() = default;
  // Opens (or creates) the file; throws SqliteError when it cannot.
  SqliteDb(const std::string& path, Mode mode);
  ~SqliteDb();
  SqliteDb(SqliteDb&& other) noexcept;
  SqliteDb& operator=(SqliteDb&& other) noexcept;
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  bool IsOpen() const { return db_ != nullptr; }
  bool ReadOnly() const { return read_only_; }
  // Runs one or more statements without results.
  void Exec(const std::string& sql);
  // The first column of the first row as an integer / text (0 / "" when no row).
  int64_t QueryInt(const std::string& sql);
  std::string QueryText(const std::string& sql);
  int64_t LastInsertId() const;
  void Close();
  sqlite3* Handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
  bool read_only_ = false;
};

// A prepared statement. Bind parameters are 1-based, columns 0-based.
// Step() returns true while it yields a row; Reset() makes it ready for the
// next binding.
class SqliteStatement {
 public:
  SqliteStatement(SqliteDb& db, const std::string& sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  SqliteStatement& Bind(int index, int64_t value);
  // NaN is bound as NULL, which reads back as NaN.
  SqliteStatement& Bind(int index, double value);
  SqliteStatement& Bind(int index, std::string_view text);
  SqliteStatement& BindNull(int index);
  SqliteStatement& BindBlob(int index, std::string_view bytes);
  bool Step();
  // Runs a statement without results to its end and resets it.
  void Run();
  void Reset();

  int64_t Int(int column) const;
  // NULL reads as NaN.
  double Double(int column) const;
  std::string Text(int column) const;
  // The bytes of a BLOB column, valid until the next Step() or Reset().
  std::string_view Blob(int column) const;
  bool IsNull(int column) const;

 private:
  SqliteDb* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE on construction (so a second writer waits for the busy
// timeout at the start, not in the middle); ROLLBACK on destruction unless
// Commit() ran.
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteDb& db);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;
  void Commit();

 private:
  SqliteDb& db_;
  bool done_ = false;
};

}  // namespace plrxl::quotes
