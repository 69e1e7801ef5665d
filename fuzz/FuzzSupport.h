#pragma once
// Shared by the fuzz targets: a check that stops the run with a message, and a private
// folder for the files a target has to write.

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Stops the run when a property does not hold, so the fuzzer keeps the input as a crash
// and the replay test fails on it.
#define FUZZ_CHECK(condition, what)                                                         \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            std::fprintf(stderr, "%s:%d: check failed: %s (%s)\n", __FILE__, __LINE__,     \
                         #condition, qPrintable(QString(what)));                            \
            std::abort();                                                                   \
        }                                                                                   \
    } while (false)

namespace krelin::fuzz {

// One folder per process, removed at exit. In memory where the system offers it: the
// targets rewrite their files on every run, and a disk would make the fuzzer wait on it.
inline const QTemporaryDir &WorkFolder()
{
    static const QTemporaryDir folder(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                          ? QStringLiteral("/dev/shm/krelin-fuzz-XXXXXX")
                                          : QString());
    return folder;
}

inline QString WorkFile(const QString &name)
{
    return WorkFolder().filePath(name);
}

inline bool WriteWorkFile(const QString &path, const std::uint8_t *data, std::size_t size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size);
}

inline QByteArray ReadWorkFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The small cartridge image the patch target applies patches to, and its seeds are made
// for: the signature, then 508 bytes that differ from place to place.
inline std::vector<std::uint8_t> PatchTargetImage()
{
    std::vector<std::uint8_t> image{'N', 'E', 'S', 0x1A};
    for (std::uint32_t i = 4; i < 512; ++i)
        image.push_back(std::uint8_t((i * 37) ^ (i >> 3)));
    return image;
}

// The image the Tiled map target reads its maps against: stage 1C's data (its tiles end
// at 0x19010) in bytes that differ from place to place.
inline std::vector<std::uint8_t> TiledTargetImage()
{
    std::vector<std::uint8_t> image{'N', 'E', 'S', 0x1A};
    for (std::uint32_t i = 4; i < 0x19010; ++i)
        image.push_back(std::uint8_t((i * 37) ^ (i >> 3)));
    return image;
}

} // namespace krelin::fuzz
