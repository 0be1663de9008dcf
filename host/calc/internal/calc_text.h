// Texts that differ between the system and Calc's programming interface:
// formulas and the references of names. Pure text work, no office needed.
//
// The system writes formulas as the file format holds them: English function
// names, "," between arguments, "Sheet!A1" references and {1,2;3,4} array
// constants. Calc's interface grammar takes ";" between arguments,
// "$Sheet.A1" references and {1;2|3;4} constants, and names add-in functions
// by their programmatic names ("COM.SUN.STAR.SHEET.ADDIN.ANALYSIS.GETEDATE"
// for EDATE).
#pragma once

#include <string>

namespace plrxl::calc {

// "=IF(Data!A1>1,\"a,b\",2)" -> "=IF($Data.A1>1;\"a,b\";2)".
std::string FormulaToCalc(const std::string& formula);
// The way back: what Calc hands out, as the system writes it.
std::string FormulaFromCalc(const std::string& formula);

// A name's reference as the system stores it ("='Sheet'!R1C1",
// "='Sheet'!$A$1:$B$3", "=Sheet!A1") -> Calc's ("$'Sheet'.$A$1"); throws
// Error 1004 when it is not a reference to a sheet's cells.
std::string NameReferenceToCalc(const std::string& refers_to);
// "$'Sheet'.$A$1" -> "='Sheet'!$A$1".
std::string NameReferenceFromCalc(const std::string& content);

}  // namespace plrxl::calc
