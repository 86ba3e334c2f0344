// Writes this effect's PiPL resource bytes to the file named by its argument, for the
// Windows resource script (resources/PiPL.rc) to link.  A build program, not part of any
// layer: it puts the effect's identity (effect/Identity.h) into the resource layout
// (resources/PiPL.h).
#include <cstdio>

#include "effect/Identity.h"
#include "resources/PiPL.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    const std::vector<std::uint8_t> bytes = PiPL::Bytes(Identity::kThisEffect);
    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
