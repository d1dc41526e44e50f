#include "sys/print/print.h"

#include "sys/backend.h"
#include "sys/print/cups/cups_print.h"
#include "sys/print/headless/headless_print.h"

namespace sys::print {

namespace {

thread_local std::string t_lastError;

}  // namespace

bool FindDefaultPrinter(Printer& out) {
    if (CurrentBackend() == Backend::Sdl)
        return cups::FindDefaultPrinter(out);
    return headless::FindDefaultPrinter(out);
}

bool PrintPage(const Printer& printer, const std::string& document, const PageSettings& settings, const Page& page) {
    t_lastError.clear();
    if (CurrentBackend() == Backend::Sdl)
        return cups::PrintPage(printer, document, settings, page, t_lastError);
    if (!headless::PrintPage(printer, document, settings, page)) {
        t_lastError = "The printer refused the page.";
        return false;
    }
    return true;
}

std::string LastError() { return t_lastError; }

}  // namespace sys::print
