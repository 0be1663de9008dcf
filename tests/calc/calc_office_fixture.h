// One headless office for the whole Calc test program: started on first
// use with its own profile and home folders under a temporary folder, shut
// down when the program ends. Without an office program the tests that need
// it skip, saying so.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/calc/calc_host.h"
#include "host/calc/calc_office.h"

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

#define PLRXL_NEED_OFFICE()                                                 \
  do {                                                                      \
    if (::plrxl::calc::testing::SharedOffice() == nullptr)                  \
      GTEST_SKIP() << "no office program (soffice) on this machine";        \
  } while (0)

}  // namespace plrxl::calc::testing
