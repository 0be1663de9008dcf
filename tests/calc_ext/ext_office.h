// One headless office with the PelorinXL extension installed, shared by a
// whole test (or benchmark) program: a temporary folder holds its profile,
// home and settings; the office installs the extension into that profile
// (through its extension manager, as Tools > Extension Manager does). Also the helpers the extension's tests and the
// benchmark share: writing a project, running a menu command on a document,
// running the command line on a file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "download/demo_project.h"
#include "host/calc/calc_office.h"
#include "host/calc/internal/calc_objects.h"

namespace plrxl::calc::testing {

struct ExtOffice {
  CalcOffice* office = nullptr;  // nullptr: no office here (`why` says why)
  std::string why;
  double start_seconds = 0;    // soffice until it accepts
  double install_seconds = 0;  // adding the extension
};

// Started on first use; shut down when the program ends.
const ExtOffice& SharedExtOffice();
// The program's temporary folder; files the tests write go here.
const std::string& ExtFolder();
// The file of the extension's message-box log (the office's PLRXL_CALC_UI_LOG).
std::string UiLogPath();
std::vector<std::string> UiLogLines();
void ClearUiLog();
// The answers the next dialogs take in place of a person, one a line
// ("rows 1,3 cmdUpdate", "cancel"); see calc/selective_update_dialog.h.
void AnswerDialogs(const std::vector<std::string>& answers);

// Writes a project workbook (through the xlsx writer) with these rows.
void WriteProject(const std::string& path, const std::vector<DemoRow>& rows);

// Opens a file as a hidden document of the office.
Reference<css::frame::XModel> LoadDocument(CalcOffice& office, const std::string& path);
// Dispatches vnd.plrxl:<name> on the document's frame and returns when the
// command has ended.
void Dispatch(CalcOffice& office, const Reference<css::frame::XModel>& document, const std::string& name);
void CloseDocument(const Reference<css::frame::XModel>& document);

// Runs "pelorinxl ARGS" (the program of this build); returns its exit
// status. Its output goes to ExtFolder()/cli.log.
int RunCli(const std::string& args);

}  // namespace plrxl::calc::testing
