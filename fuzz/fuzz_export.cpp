// The export with any stage name, frame number and image. The input is read as
//   byte 0       how the output is named: 0 a file of its own, 1 the image's own path,
//                2 a symbolic link to the image, 3 a hard link of it
//   byte 1       the length n of the stage name (0..7)
//   n bytes      the stage name
//   4 bytes      the frame number, little-endian, signed (-1: the whole stage)
//   the rest     the cartridge image
// Checks that the export succeeds exactly when the request is sound, writes a picture of
// the right size then, and otherwise writes nothing and leaves the image whole.

#include "FuzzSupport.h"

#include "app/Export.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "render/LevelView.h"

#include <QFileInfo>
#include <QImageReader>

#include <unistd.h>

#include <cstring>

using namespace krelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2 || size < 2 + std::size_t(data[1] % 8) + 4)
        return 0;
    const int outputKind = data[0] % 4;
    const std::size_t nameLength = data[1] % 8;
    const QString stageName = QString::fromLatin1(reinterpret_cast<const char *>(data + 2), qsizetype(nameLength));
    std::int32_t frame = 0;
    std::memcpy(&frame, data + 2 + nameLength, 4); // the machine is little-endian
    const std::uint8_t *image = data + 2 + nameLength + 4;
    const std::size_t imageSize = size - 2 - nameLength - 4;

    // The palette file beside the program, written once.
    static const bool paletteWritten = [] {
        const QByteArray palette = StandardPaletteFile();
        return fuzz::WriteWorkFile(fuzz::WorkFile(MasterPaletteFileName),
                                   reinterpret_cast<const std::uint8_t *>(palette.constData()), std::size_t(palette.size()));
    }();
    FUZZ_CHECK(paletteWritten, "palette file");

    const QString imagePath = fuzz::WorkFile(QStringLiteral("game.nes"));
    QString outputPath = fuzz::WorkFile(QStringLiteral("out.png"));
    QFile::remove(outputPath);
    if (!fuzz::WriteWorkFile(imagePath, image, imageSize))
        return 0;
    if (outputKind == 1)
        outputPath = imagePath;
    else if (outputKind == 2)
        FUZZ_CHECK(QFile::link(imagePath, outputPath), "symbolic link");
    else if (outputKind == 3)
        FUZZ_CHECK(::link(QFile::encodeName(imagePath).constData(), QFile::encodeName(outputPath).constData()) == 0,
                   "hard link");

    ExportRequest request;
    request.imagePath = imagePath;
    request.outputPath = outputPath;
    request.stageName = stageName;
    request.frame = frame;
    const QString error = ExportLevel(request, fuzz::WorkFolder().path());

    const Stage *stage = FindStage(stageName);
    const bool sound = stage && frame >= -1 && frame < stage->Frames && outputKind == 0
                       && HasCartridgeHeader({image, imageSize}) && qint64(imageSize) >= StageBytesNeeded(*stage);
    FUZZ_CHECK(error.isEmpty() == sound, QStringLiteral("stage \"%1\", frame %2, %3 bytes, output %4: \"%5\"")
                                             .arg(stageName).arg(frame).arg(imageSize).arg(outputKind).arg(error));
    FUZZ_CHECK(!error.contains(u'\n'), error);

    // The image is never touched.
    const QByteArray after = fuzz::ReadWorkFile(imagePath);
    FUZZ_CHECK(after.size() == qsizetype(imageSize) && std::memcmp(after.constData(), image, imageSize) == 0,
               "the image is whole");
    if (sound) {
        const int width = frame >= 0 ? LevelMapWidth : (LevelMapWidth + 1) * stage->Frames - 1;
        QImageReader reader(outputPath, "png");
        FUZZ_CHECK(reader.size() == QSize(width, LevelMapHeight), "picture size");
    } else if (outputKind == 0) {
        FUZZ_CHECK(!QFileInfo::exists(outputPath), "nothing written");
    }
    if (outputKind >= 2)
        QFile::remove(fuzz::WorkFile(QStringLiteral("out.png")));
    return 0;
}
