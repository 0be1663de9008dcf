// The texts and fixed cells of a new project's "Parameters" sheet.
//
// Messages are what users read when something is wrong: each says what
// happened, where, and what to do about it. Status texts (16, 18, 47, 48,
// 50, 51) are short, because they are appended to the one-line status of a
// ticker row.
#include <iterator>

#include "entry/project_template.h"

namespace plrxl {

namespace {

constexpr MessageText kMessages[] = {
    {2, 0, "a check or export finds no settings sheet",
     "This workbook is not a PelorinXL project: it has no sheet \"PelorinXL Settings\".\n"
     "Create a new project first (pelorinxl new), or open the project workbook and try again."},
    {3, 0, "the ticker table's anchor is broken, has the wrong text, cannot be found, or has nothing below it",
     "The ticker table on the sheet \"PelorinXL Settings\" cannot be found.\n"
     "The table must begin with a cell reading \"Ticker\", with the \"Defaults\" row below it and the "
     "\"Start Date\" title to its right. Repair the table or create a new project."},
    {4, 0, "the ticker table has no ticker row",
     "The ticker table has no tickers yet.\n"
     "Add at least one ticker in the rows below the \"Defaults\" row, then try again."},
    {5, 1, "the run cannot create a ticker's data sheet (sheet name)",
     "The data sheet \"AdditionalInformation1\" could not be created, so the run stops here.\n"
     "Check the Data Location of this ticker: it must be a usable sheet name, or AUTO."},
    {6, 1, "a ticker row has no Data Location (text of the row's first cell)",
     "The ticker row \"AdditionalInformation1\" has no Data Location.\n"
     "Enter the name of the sheet for its data (or AUTO, to name the sheet after the ticker) in the row "
     "or in the \"Defaults\" row."},
    {8, 3, "a start or end date is not a date (date label, value, ticker)",
     "The AdditionalInformation1 \"AdditionalInformation2\" is not a date.\n"
     "Enter a date in the ticker row or in the \"Defaults\" row, in your usual date format.\n\n"
     "Ticker: AdditionalInformation3"},
    {10, 2, "a Data Direction is not listed (value, ticker)",
     "The Data Direction \"AdditionalInformation1\" is not valid.\n"
     "Use FTB (oldest quote at the top) or FBT (newest quote at the top).\n\n"
     "Ticker: AdditionalInformation2"},
    {11, 2,
     "a Data Source is not offered (value, ticker); the row editor's data beginning is no address (property "
     "name)",
     "\"AdditionalInformation1\" is not accepted.\n"
     "A data source must be one of the sources PelorinXL offers, written as shown in the source list (for "
     "example SAMPLE), or a link DDE(service;topic;item;period;type). A data beginning must be a cell address "
     "such as A1 or Prices!$B$3.\n\n"
     "Ticker: AdditionalInformation2"},
    {13, 2, "a Data Beginning is no address (value, ticker)",
     "The Data Beginning \"AdditionalInformation1\" is not a cell address.\n"
     "Enter the top-left cell of the data block, such as A1 or Prices!$B$3.\n\n"
     "Ticker: AdditionalInformation2"},
    {14, 1, "question after a failed macro (the macro engine's result)",
     "A macro of this ticker did not run to the end.\n"
     "Do you want to go on with the next ticker? Choose No to stop the run here.\n\n"
     "Failing macro: AdditionalInformation1"},
    {16, 0, "status: a download succeeded; also appended after an update", "Download OK."},
    {18, 0, "status: the row's macros have run", "Macros run."},
    {21, 0, "question: a new project would replace the ticker table",
     "This workbook already has a ticker table.\n"
     "Do you want to start a new, empty one? Columns A to K of the sheet \"PelorinXL Settings\" will be "
     "cleared."},
    {22, 0, "the row editor or the selective update finds no settings sheet or no ticker rows",
     "There is nothing to work on yet: the sheet \"PelorinXL Settings\" is missing or its ticker table has no "
     "tickers.\n"
     "Create a new project or add a ticker first."},
    {27, 1, "export: the output folder's drive or top folder does not exist (that drive)",
     "The export folder cannot be used: \"AdditionalInformation1\" does not exist.\n"
     "Give the export folder as a full path that begins with an existing folder, for example /home/me/Quotes."},
    {28, 0, "export: the output folder could not be created",
     "The export folder could not be created.\n"
     "Check that the path is spelled correctly and that you may write there."},
    {29, 1, "export: the ticker's data sheet does not exist (sheet name)",
     "The data sheet \"AdditionalInformation1\" does not exist, so nothing was exported.\n"
     "Download the data first, or check the Data Location of this ticker."},
    {30, 0, "export: the format name is not listed",
     "This export format is not known.\n"
     "Use one of: metastock, metastock_m, metastock_d, metastock_r, tsv, csv, ascii, sc-4, quicken, excel, "
     "walmaster, metastockdb (the list is in cell D8 of the sheet \"Parameters\")."},
    {32, 0, "chart: the chart kind is not listed",
     "This chart kind is not known.\n"
     "Use one of: HLC, OHLC, LINEOPEN, LINEHIGH, LINELOW, LINECLOSE (the list is in cell D9 of the sheet "
     "\"Parameters\")."},
    {47, 0, "status: export refused, too many rows", "Export skipped: more than 65000 rows."},
    {48, 0, "status: a macro input cell has no data below it", "Macro input has no data below its cell."},
    {50, 0, "status: Data Beginning and Data Fields give no valid block",
     "Data Beginning or Data Fields do not give a valid data block."},
    {51, 0, "status: no quotes came back", "No quotes received."},
    {61, 1, "row editor: a source parameter was left empty (its name)",
     "Please enter a value for \"AdditionalInformation1\"."},
    {67, 1, "row editor: a number parameter holds no number (its name)",
     "\"AdditionalInformation1\" must be a number."},
    {72, 1, "converter: the project was converted (output file)",
     "The version-1 project was converted and saved as \"AdditionalInformation1\"."},
    {73, 1, "converter: the project could not be converted (reason)",
     "The version-1 project could not be converted.\nAdditionalInformation1"},
};

constexpr TemplateKind T = TemplateKind::kText;
constexpr TemplateKind N = TemplateKind::kNumber;
constexpr TemplateKind D = TemplateKind::kDate;

constexpr TemplateCell kCells[] = {
    // Captions of the sheet's parts.
    {"A1", T, "Field settings", "caption"},
    {"D1", T, "Lists", "caption"},
    {"E1", T, "Messages (message n is in cell E n)", "caption"},
    {"H1", T, "Run action", "caption"},
    // Number formats of the data columns.
    {"A2", T, "Date format", "caption of B2"},
    {"B2", T, "dd.mm.yyyy", "short-date pattern, set from the user's regional settings before each run"},
    {"A3", T, "Time format", "caption of B3"},
    {"B3", T, "hh:mm", "time format when a time has some zero parts"},
    {"A4", T, "Price format", "caption of B4"},
    {"B4", T, "0.00", "open, high, low, close and adjusted close"},
    {"A5", T, "Volume format", "caption of B5"},
    {"B5", T, "0", "volume and open interest"},
    // Field names as the quote component gives them, and their position in
    // the data table.
    {"A6", T, "Date", "field name"},
    {"B6", N, "1", "position of Date"},
    {"A7", T, "Time", "field name"},
    {"B7", N, "8", "position of Time"},
    {"A8", T, "Open", "field name"},
    {"B8", N, "2", "position of Open"},
    {"A9", T, "High", "field name"},
    {"B9", N, "3", "position of High"},
    {"A10", T, "Low", "field name"},
    {"B10", N, "4", "position of Low"},
    {"A11", T, "Close", "field name"},
    {"B11", N, "5", "position of Close"},
    {"A12", T, "Volume", "field name"},
    {"B12", N, "6", "position of Volume"},
    {"A13", T, "Open Interest", "field name"},
    {"B13", N, "7", "position of Open Interest"},
    {"A30", T, "Adjusted Close", "field name"},
    {"B30", N, "7", "position of Adjusted Close and Open Interest"},
    {"A33", T, "Time format (full)", "caption of B33"},
    {"B33", T, "hh:mm:ss", "time format when hour, minute and second are all set"},
    // Column headers written above the pasted data.
    {"A14", T, "Headers", "caption of B14:B22"},
    {"B14", T, "Date", "header of d"},
    {"B15", T, "Time", "header of t"},
    {"B16", T, "Open", "header of o"},
    {"B17", T, "High", "header of h"},
    {"B18", T, "Low", "header of l"},
    {"B19", T, "Close", "header of c"},
    {"B20", T, "Volume", "header of v"},
    {"B21", T, "Open Interest", "header of p"},
    {"B22", T, "Adjusted Close", "header of a"},
    // Lists of valid values.
    {"C3", T, "Data directions", "caption of D3"},
    {"D3", T, "FTB|FBT", "valid Data Direction values"},
    {"C5", T, "Field letters", "caption of D5"},
    {"D5", T, "d|t|o|h|l|c|v|p|a", "field letters, in the column order of a data sheet"},
    {"C7", T, "Field words", "caption of D7"},
    {"D7", T, "date|open|high|low|close|volume|time|open interest", "words a macro may use for a data column"},
    {"C8", T, "Export formats", "caption of D8"},
    {"D8", T, "metastock|metastock_m|metastock_d|metastock_r|tsv|csv|ascii|sc-4|quicken|excel|walmaster|metastockdb",
     "export formats the project allows"},
    {"C9", T, "Chart kinds", "caption of D9"},
    {"D9", T, "HLC|OHLC|LINEOPEN|LINEHIGH|LINELOW|LINECLOSE", "chart kinds the project allows"},
    // Labels.
    {"E19", T, "Start Date", "label of the start date in message 8"},
    {"E20", T, "End Date", "label of the end date in message 8"},
    {"E53", T, "<Choose a data source>", "row editor: placeholder while no source is chosen"},
    {"G1", T, "Progress window", "caption"},
    {"G2", T, "PelorinXL - downloading quotes", "progress window caption"},
    {"G3", T, "Cancel", "progress window cancel button"},
    {"AR4", T, "Row editor", "caption"},
    {"AR5", T, "Data Location", "row editor: property for the data sheet"},
    {"AR6", T, "Data Beginning", "row editor: property for the data's first cell"},
    {"AR11", T, "Data Direction", "row editor: property for the direction"},
    {"Z31", T, "Selective update", "caption"},
    {"Z32", T, "Select All", "selective update: button caption while nothing is selected"},
    {"Z33", T, "Clear Selection", "selective update: button caption after selecting all"},
    // The run action, written before each run.
    {"H2", T, "Refresh", "the current run action"},
    // The ticker-table template: titles, defaults row, three example rows.
    {"I1", T, "Ticker", "title"},
    {"J1", T, "Start Date", "title"},
    {"K1", T, "End Date", "title"},
    {"L1", T, "Periodicity", "title"},
    {"M1", T, "Data Direction", "title"},
    {"N1", T, "Data Location", "title"},
    {"O1", T, "Data Beginning", "title"},
    {"P1", T, "Data Source", "title"},
    {"Q1", T, "Data Fields", "title"},
    {"R1", T, "Macros", "title"},
    {"S1", T, "Status", "title"},
    {"I2", T, "Defaults", "defaults row label"},
    {"J2", D, "2020-01-01", "default start date"},
    // K2 holds a formula (today); see WriteParametersSheet.
    {"L2", T, "Daily", "default periodicity"},
    {"M2", T, "FTB", "default direction"},
    {"N2", T, "AUTO", "default data location: a sheet named after the ticker"},
    {"O2", T, "A1", "default data beginning"},
    {"P2", T, "SAMPLE", "default data source (also given to converted version-1 projects)"},
    {"Q2", T, "dohlcv", "default data fields"},
    {"I3", T, "ALPHA", "example ticker"},
    {"I4", T, "BETA", "example ticker"},
    {"I5", T, "GAMMA", "example ticker"},
};

}  // namespace

std::span<const MessageText> MessageTexts() { return {std::begin(kMessages), std::end(kMessages)}; }

std::span<const TemplateCell> TemplateCells() { return {std::begin(kCells), std::end(kCells)}; }

}  // namespace plrxl
