// The UNO headers the Calc host uses (generated into the build tree by
// cppumaker for exactly these types) and small helpers around them.
#pragma once

#include <string>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <osl/file.hxx>
#include <rtl/ustring.hxx>

#include "host/calc/calc_office.h"
#include "host/error.h"

namespace plrxl::calc {

namespace css = ::com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

inline rtl::OUString ToOu(const std::string& text) {
  return rtl::OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}
inline std::string FromOu(const rtl::OUString& text) {
  const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), static_cast<size_t>(bytes.getLength()));
}

// A system path as the office's file URL, its spaces, "#" and "%" escaped.
inline rtl::OUString FileUrl(const std::string& path) {
  rtl::OUString url;
  if (osl::FileBase::getFileURLFromSystemPath(ToOu(path), url) != osl::FileBase::E_None)
    throw Error(kErrRange, "Calc host", "Cannot make a file URL of " + path);
  return url;
}

// Error 1004 from a UNO exception, naming what was being done.
[[noreturn]] inline void ThrowFromUno(const std::string& what, const css::uno::Exception& e) {
  throw Error(kErrRange, "Calc host", what + ": " + FromOu(e.Message));
}

struct CalcOffice::Impl {
  Reference<css::uno::XComponentContext> context;  // the office's
  Reference<css::frame::XDesktop2> desktop;
  int pid = 0;  // of the started office; 0 when connected
  std::string connection;
  double seconds_to_accept = 0;
};

}  // namespace plrxl::calc
