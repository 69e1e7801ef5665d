// Timings of the core host, with the sample running in the system's NES core: one
// emulated frame (picture and sound taken), and giving the core the image again with the
// game's state restored, as a reload after an edit does.
#include "BenchSupport.h"

#include "ConsoleSession.h"
#include "core/MasterPalette.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

QByteArray ImageBytes()
{
    const std::vector<std::uint8_t> &bytes = Model().image();
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

// The sample in the core, its viewer showing its first picture; nothing, after telling the
// benchmark why, when there is no core to use.
struct RunningSample
{
    explicit RunningSample(benchmark::State &state)
    {
        QString error;
        host = testing::OpenConsole(Model(), folder.path(), &error);
        if (host && host->loadImage(ImageBytes(), &error))
            testing::ViewerControl(*host).boot();
        else
            host.reset();
        if (!host)
            state.SkipWithError(qPrintable(error));
    }

    QTemporaryDir folder;
    std::unique_ptr<CoreHost> host;
};

void BM_CoreFrame(benchmark::State &state)
{
    RunningSample sample(state);
    if (!sample.host)
        return;
    for (auto _ : state) {
        sample.host->runFrame();
        benchmark::DoNotOptimize(sample.host->picture().constBits());
    }
}
BENCHMARK(BM_CoreFrame)->Unit(benchmark::kMicrosecond);

void BM_CoreReloadWithState(benchmark::State &state)
{
    RunningSample sample(state);
    if (!sample.host)
        return;
    const QByteArray image = ImageBytes();
    QString error;
    const auto saved = sample.host->saveState(&error);
    if (!saved) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    for (auto _ : state) {
        if (!sample.host->loadImage(image, &error) || !sample.host->restoreState(*saved, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
}
BENCHMARK(BM_CoreReloadWithState)->Unit(benchmark::kMicrosecond);

const bool frameRatio = RatioToDrawLevel("BM_CoreFrame", "one emulated frame in the core");
const bool reloadRatio = RatioToDrawLevel("BM_CoreReloadWithState", "the image loaded into the core, its state restored");

} // namespace
