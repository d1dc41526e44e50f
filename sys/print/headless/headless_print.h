#pragma once

#include <string>
#include <vector>

#include "sys/print/print.h"

// The headless printer: none until a test installs one; every printed page is kept.
namespace sys::print::headless {

struct PrintedPage {
    std::string printer;
    std::string document;
    PageSettings settings;
    Page page;
};

// No printer, no pages, no refusal.
void Reset();
void InstallPrinter(const Printer& printer);
// The next PrintPage calls fail.
void RefusePages(bool refuse);
std::vector<PrintedPage> Printed();

bool FindDefaultPrinter(Printer& out);
bool PrintPage(const Printer& printer, const std::string& document, const PageSettings& settings, const Page& page);

}  // namespace sys::print::headless
