// The options of hvdtool's show, diff, range and solve commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hvdtool/range/observation.h"

enum CommandOption : unsigned {
    JsonOption = 1,     // --json
    SamplesOption = 2,  // --samples N
    SeedOption = 4,     // --seed S
    SvgOption = 8,      // --svg FILE
    ThreadsOption = 16, // --threads N
    ResultOption = 32,  // --result galaxy|universe|inhabited
    TargetOption = 64,  // --target N
    PrintModelOption = 128,  // --print-model
    ObserveOption = 256,  // --observe none|sampling|poisson|nok3|settlement
    SobolOption = 512,  // --sobol
};

// The result whose product solve follows.
enum class SolvedResult { Galaxy, Universe, Inhabited };

const std::uint64_t DefaultSamples = 100000;
const std::uint64_t MaxSamples = 10000000;
const std::uint64_t DefaultSeed = 1;
const std::uint64_t MaxThreads = 256;

struct CommandLine {
    std::vector<std::string> files;  // the arguments that are not options
    bool json = false;
    bool printModel = false;
    bool sobol = false;
    std::uint64_t samples = DefaultSamples;
    std::uint64_t seed = DefaultSeed;
    std::string svgPath;  // empty: no chart
    unsigned threads = 0;  // 0: one per processor
    SolvedResult result = SolvedResult::Galaxy;
    long double target = 1;
    std::string targetText = "1";  // as given
    Observation observation = Observation::None;
};

// Reads args (the arguments after the command name), accepting the options
// in allowed anywhere ("--samples 5" or "--samples=5"; "--" ends the
// options). On a bad option prints one line naming it and returns false.
bool ParseCommandLine(const char* command, const std::vector<std::string>& args, unsigned allowed, CommandLine* out);
