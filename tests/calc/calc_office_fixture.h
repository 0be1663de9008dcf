// One headless office for the whole Calc test program: started on first
// use with its own profile and home folders under a temporary folder, shut
// down when the program ends. Without an office program the tests that need
// it skip, saying so.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "host/calc/calc_host.h"
#include "host/calc/calc_office.h"
#include "host/chart.h"

namespace plrxl::calc::testing {

// The shared office; nullptr when none can be started here (the reason is
// printed once).
CalcOffice* SharedOffice();
// A fresh host over the shared office with the tests' pinned regional
// settings; nullptr without an office.
std::unique_ptr<SpreadsheetHost> MakeTestHost();
// The temporary folder of this test program (the office's profile and home
// are in it); files the tests write go here too.
const std::string& TestFolder();

// Every chart of a file as the system's own reader loads it, sheet by
// sheet, each as `describe` puts it, after its sheet's name and ": ".
std::vector<std::string> ChartsInFile(const std::string& path, const std::function<std::string(const Chart&)>& describe);

#define PLRXL_NEED_OFFICE()                                                 \
  do {                                                                      \
    if (::plrxl::calc::testing::SharedOffice() == nullptr)                  \
      GTEST_SKIP() << "no office program (soffice) on this machine";        \
  } while (0)

}  // namespace plrxl::calc::testing
