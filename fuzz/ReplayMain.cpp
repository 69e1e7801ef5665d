// Turns a fuzz target into an ordinary program: it feeds the target every file in the
// folders named on its command line (the seed corpus) and every crash file kept for it
// in fuzz/regressions (named after the target), and fails if any of them fails a check,
// or if there was nothing to replay.

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

int replay(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 0;
    }
    const QByteArray bytes = file.readAll();
    std::printf("replaying %s (%lld bytes)\n", qPrintable(path), static_cast<long long>(bytes.size()));
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QDir folder(QFile::decodeName(argv[i]));
        for (const QString &name : folder.entryList(QDir::Files, QDir::Name))
            replayed += replay(folder.filePath(name));
    }
    const QDir regressions(QStringLiteral(KRELIN_REGRESSIONS_DIR));
    for (const QString &name : regressions.entryList({QStringLiteral(KRELIN_FUZZ_TARGET "-*")}, QDir::Files, QDir::Name))
        replayed += replay(regressions.filePath(name));
    std::printf("%s: %d inputs replayed\n", KRELIN_FUZZ_TARGET, replayed);
    return replayed > 0 ? 0 : 1;
}
