#pragma once

#include <string>

#include "sys/print/print.h"

// The printing service's backend: the CUPS default destination, each page sent as a picture
// file printed at the page's own pixels per inch. Without CUPS at build time there is never a
// printer.
namespace sys::print::cups {

bool FindDefaultPrinter(Printer& out);
bool PrintPage(const Printer& printer, const std::string& document, const PageSettings& settings, const Page& page,
               std::string& error);

}  // namespace sys::print::cups
