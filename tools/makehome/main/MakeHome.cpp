// Writes the demo Home folder: tarvex_makehome <folder>. The folder is made when missing;
// files already there are replaced, others (a "default.cfg" the program wrote) are kept.

#include <cstdio>
#include <exception>
#include <string>

#include "tools/makehome/HomeSet.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <Home folder>\n", argc > 0 ? argv[0] : "tarvex_makehome");
        return 2;
    }
    try {
        HomeSet home;
        home.Build();
        std::string error;
        if (!home.WriteTo(argv[1], error)) {
            std::fprintf(stderr, "tarvex_makehome: %s\n", error.c_str());
            return 1;
        }
        std::printf("tarvex_makehome: %zu files and Tarvex.cat written to %s\n", home.Files().size(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarvex_makehome: %s\n", e.what());
        return 1;
    }
    return 0;
}
