#include "sys/print/headless/headless_print.h"

#include <mutex>
#include <optional>

namespace sys::print::headless {

namespace {

struct State {
    std::mutex lock;
    std::optional<Printer> printer;
    bool refuse = false;
    std::vector<PrintedPage> printed;
};

State& Shared() {
    static State state;
    return state;
}

}  // namespace

void Reset() {
    State& state = Shared();
    std::lock_guard<std::mutex> hold(state.lock);
    state.printer.reset();
    state.refuse = false;
    state.printed.clear();
}

void InstallPrinter(const Printer& printer) {
    State& state = Shared();
    std::lock_guard<std::mutex> hold(state.lock);
    state.printer = printer;
}

void RefusePages(bool refuse) {
    State& state = Shared();
    std::lock_guard<std::mutex> hold(state.lock);
    state.refuse = refuse;
}

std::vector<PrintedPage> Printed() {
    State& state = Shared();
    std::lock_guard<std::mutex> hold(state.lock);
    return state.printed;
}

bool FindDefaultPrinter(Printer& out) {
    State& state = Shared();
    std::lock_guard<std::mutex> hold(state.lock);
    if (!state.printer)
        return false;
    out = *state.printer;
    return true;
}

bool PrintPage(const Printer& printer, const std::string& document, const PageSettings& settings, const Page& page) {
    State& state = Shared();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.refuse || !state.printer || state.printer->name != printer.name)
        return false;
    state.printed.push_back(PrintedPage{printer.name, document, settings, page});
    return true;
}

}  // namespace sys::print::headless
