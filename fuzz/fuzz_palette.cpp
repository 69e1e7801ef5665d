// Any bytes as the master-palette file Krelin.d_p. A file of 208 bytes or more gives the
// colours of bytes 16..207, whatever comes before or after; a shorter one is reported by
// name and the built-in palette is used instead.

#include "FuzzSupport.h"

#include "core/MasterPalette.h"
#include "core/StandardPalette.h"
#include "core/modKrelin.h"
#include "render/Palette.h"

using namespace krelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString folder = fuzz::WorkFolder().path();
    const QString path = fuzz::WorkFile(MasterPaletteFileName);
    if (!fuzz::WriteWorkFile(path, data, size))
        return 0;

    modKrelin model;
    model.NesRed.fill(-1); // nothing may be left unset
    const QString message = LoadMasterPalette(model, folder);

    std::array<Rgb, 64> expected = StandardPalette;
    if (qint64(size) >= MasterPaletteFileSize) {
        FUZZ_CHECK(message.isEmpty(), message);
        for (int n = 0; n < 64; ++n)
            expected[n] = {data[16 + 3 * n], data[17 + 3 * n], data[18 + 3 * n]};
    } else {
        FUZZ_CHECK(message.contains(path), message);
    }
    for (int n = 0; n < 64; ++n) {
        FUZZ_CHECK(model.NesRed[n] == expected[n].red && model.NesGreen[n] == expected[n].green
                       && model.NesBlue[n] == expected[n].blue,
                   QStringLiteral("colour %1").arg(n));
        // A palette byte shows the colour of its low six bits.
        const std::int32_t color = expected[n].red + 256 * expected[n].green + 65536 * expected[n].blue;
        FUZZ_CHECK(MasterColor(model, n) == color && MasterColor(model, n | 0xC0) == color,
                   QStringLiteral("master colour %1").arg(n));
    }
    return 0;
}
