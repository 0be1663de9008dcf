// EventLog: the operating system's application event log.
//
// The error handler writes each error record here as one error entry. On
// Linux the log is syslog (facility user, priority error, identity
// "PelorinXL"). Tests use MemoryEventLog to see what was written.
#pragma once

#include <string>
#include <vector>

namespace plrxl {

class EventLog {
 public:
  virtual ~EventLog() = default;
  // Writes one error entry. Failures are not reported: the system logger
  // drops what it cannot take, as the platform's event log does.
  virtual void WriteError(const std::string& source, const std::string& text) = 0;
};

// syslog(3). Line breaks in the text stay inside the one entry.
class SyslogEventLog : public EventLog {
 public:
  void WriteError(const std::string& source, const std::string& text) override;
};

// Keeps every entry in memory, in order.
class MemoryEventLog : public EventLog {
 public:
  struct Entry {
    std::string source;
    std::string text;
  };
  void WriteError(const std::string& source, const std::string& text) override {
    entries.push_back({source, text});
  }
  std::vector<Entry> entries;
};

}  // namespace plrxl
