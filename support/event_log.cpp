#include "support/event_log.h"

#include <syslog.h>

namespace plrxl {

void SyslogEventLog::WriteError(const std::string& source, const std::string& text) {
  // The identity string must outlive openlog; a literal does.
  openlog("PelorinXL", LOG_PID, LOG_USER);
  syslog(LOG_ERR, "%s: %s", source.c_str(), text.c_str());
  closelog();
}

}  // namespace plrxl
