#include "app/exit_codes.h"

namespace plrxl::app {

const char* ExitCodesHelp() {
  return "Exit codes:\n"
         "  0    every row ran without an error (and the workbook was saved)\n"
         "  1    the run finished and was saved, but some rows failed or were not run; other command failures\n"
         "  2    the project check stopped the run, or the command was refused (workbook in use, folder not "
         "writable, or a save would drop parts of the workbook: see --allow-loss)\n"
         "  3    the workbook could not be loaded or saved; the file was not changed\n"
         "  130  cancelled by Ctrl+C, SIGTERM or SIGHUP; the rows finished so far were saved\n"
         "  100-127  the command line was not understood: 104/105 a value that is not allowed, 106 a missing "
         "argument, 109 an unknown argument\n";
}

}  // namespace plrxl::app
