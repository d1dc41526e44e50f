#include "sys/print/cups/cups_print.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef TARVEX_HAVE_CUPS
#include <cups/cups.h>
#include <unistd.h>
#endif

namespace sys::print::cups {

#ifdef TARVEX_HAVE_CUPS

namespace {

// The service tells no resolution without asking the printer itself; pages say their size
// in these pixels and are printed at the matching pixels per inch.
constexpr int kNominalDpi = 300;

// A binary portable pixmap of the page's pixels, which every CUPS installation can print.
bool WritePixmap(const Page& page, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", page.width, page.height);
    std::vector<unsigned char> row(static_cast<size_t>(page.width) * 3);
    bool ok = true;
    for (int y = 0; y < page.height && ok; ++y) {
        for (int x = 0; x < page.width; ++x) {
            const uint32_t pixel = page.pixels[static_cast<size_t>(y) * page.width + x];
            row[x * 3] = static_cast<unsigned char>(pixel >> 16);
            row[x * 3 + 1] = static_cast<unsigned char>(pixel >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(pixel);
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

}  // namespace

bool FindDefaultPrinter(Printer& out) {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (dest == nullptr)
        return false;
    out.name = dest->name;
    out.dpiX = kNominalDpi;
    out.dpiY = kNominalDpi;
    out.canCopyBitmaps = true;
    cupsFreeDests(1, dest);
    return true;
}

bool PrintPage(const Printer& printer, const std::string& document, const PageSettings& settings, const Page& page,
               std::string& error) {
    if (page.width < 1 || page.height < 1 || page.printedWidth < 1 ||
        page.pixels.size() < static_cast<size_t>(page.width) * page.height) {
        error = "The page is empty.";
        return false;
    }
    char path[] = "/tmp/tarvex-printXXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        error = "No temporary file for the page.";
        return false;
    }
    close(fd);
    if (!WritePixmap(page, path)) {
        unlink(path);
        error = "The page could not be written.";
        return false;
    }
    cups_option_t* options = nullptr;
    int count = 0;
    const int ppi = page.width * printer.dpiX / page.printedWidth;
    count = cupsAddOption("ppi", std::to_string(ppi > 0 ? ppi : 150).c_str(), count, &options);
    if (settings.orientation == kOrientationPortrait)
        count = cupsAddOption("orientation-requested", "3", count, &options);
    if (settings.quality == kQualityLow)
        count = cupsAddOption("print-quality", "3", count, &options);
    const int job = cupsPrintFile(printer.name.c_str(), path, document.c_str(), count, options);
    cupsFreeOptions(count, options);
    unlink(path);
    if (job == 0) {
        error = cupsLastErrorString();
        return false;
    }
    return true;
}

#else

bool FindDefaultPrinter(Printer&) { return false; }

bool PrintPage(const Printer&, const std::string&, const PageSettings&, const Page&, std::string& error) {
    error = "This program was built without a printing service.";
    return false;
}

#endif

}  // namespace sys::print::cups
