// krelin_bench [--image=PATH] [benchmark flags]
//     runs every benchmark, on the sample cartridge when it holds real data, else on a
//     synthetic image
// krelin_bench --ratio
//     runs FastCls, DrawLevel and the benchmarks registered as ratios to DrawLevel, five
//     times each, and prints DrawLevel / FastCls and each of the others / DrawLevel
#include "BenchSupport.h"
#include "PrivateFolders.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

using namespace krelin::bench;

namespace {

// Keeps the normal console output and remembers the fastest CPU time of each benchmark
// over its repetitions, the figure least disturbed by other work on the machine.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {} // no colours: the ratio lines stay clean
    std::map<std::string, double> fastest;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const std::string name = run.run_name.function_name;
            const double t = run.GetAdjustedCPUTime();
            auto it = fastest.find(name);
            if (it == fastest.end() || t < it->second)
                fastest[name] = t;
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    // A home and XDG folders of the run's own, made before anything looks for a folder;
    // static, so that an exit() from a flag such as --help removes them too.
    static const krelin::testing::PrivateFolders folders("krelin-bench");
    bool ratio = false;
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--ratio") == 0)
            ratio = true;
        else if (i > 0 && std::strncmp(argv[i], "--image=", 8) == 0)
            SetImagePath(argv[i] + 8);
        else
            args.push_back(argv[i]);
    }
    static char repetitions[] = "--benchmark_repetitions=5";
    if (ratio)
        args.insert(args.begin() + 1, repetitions);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    Model();
    std::printf("Drawing from the %s (%s)\n", ImageSource(), ImagePath().c_str());

    if (!ratio) {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    }
    std::string filter = "^BM_(FastCls|DrawLevel";
    for (const auto &[name, label] : RatiosToDrawLevel())
        filter += "|" + name.substr(3);
    filter += ")$";
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter, filter);
    benchmark::Shutdown();
    const double cls = reporter.fastest["BM_FastCls"], draw = reporter.fastest["BM_DrawLevel"];
    if (cls <= 0 || draw <= 0) {
        std::fprintf(stderr, "FastCls or DrawLevel did not run\n");
        return 1;
    }
    std::printf("DrawLevel / FastCls ratio: %.2f\n", draw / cls);
    for (const auto &[name, label] : RatiosToDrawLevel()) {
        const double time = reporter.fastest[name];
        if (time > 0)
            std::printf("%s / DrawLevel ratio: %.3f\n", label.c_str(), time / draw);
    }
    return 0;
}
