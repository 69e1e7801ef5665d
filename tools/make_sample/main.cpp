// Writes sample.nes, the demo cartridge image that the editor opens, the tests read and
// the README shows.
#include "SampleImage.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.nes\n", argv[0]);
        return 2;
    }
    try {
        const sample::SampleImage image = sample::BuildSampleImage();
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(image.bytes.data()), std::streamsize(image.bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
            return 1;
        }
    } catch (const std::logic_error &e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
