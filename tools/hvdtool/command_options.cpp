#include "tools/hvdtool/command_options.h"

#include <cmath>

#include "model/number_text.h"

#include "tools/hvdtool/settings/settings_source.h"
#include "tools/hvdtool/tool_files.h"

namespace {

struct OptionName {
    const char* name;
    CommandOption option;
    bool takesValue;
};

const OptionName Options[] = {
    {"--json", JsonOption, false},
    {"--samples", SamplesOption, true},
    {"--seed", SeedOption, true},
    {"--svg", SvgOption, true},
    {"--threads", ThreadsOption, true},
    {"--result", ResultOption, true},
    {"--target", TargetOption, true},
    {"--print-model", PrintModelOption, false},
    {"--observe", ObserveOption, true},
    {"--sobol", SobolOption, false},
};

// Plain decimal digits only: no sign, no spaces, no grouping.
bool ParseWhole(const std::string& text, std::uint64_t limit, std::uint64_t* value)
{
    if (text.empty() || text.size() > 20) return false;
    std::uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (result > (limit - digit) / 10) return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

std::string GroupedUnsigned(std::uint64_t value)
{
    if (value <= 9223372036854775807ull) return ExactCountText(static_cast<long long>(value));
    return "18,446,744,073,709,551,615";  // the only larger value these messages name
}

bool SetValue(const OptionName& o, const std::string& value, CommandLine* out)
{
    switch (o.option) {
    case SamplesOption:
        if (!ParseWhole(value, MaxSamples, &out->samples) || out->samples == 0) {
            Fail(o.name, "not a whole number from 1 to " + GroupedUnsigned(MaxSamples) + ": '" + value + "'");
            return false;
        }
        return true;
    case SeedOption:
        if (!ParseWhole(value, UINT64_MAX, &out->seed)) {
            Fail(o.name, "not a whole number from 0 to " + GroupedUnsigned(UINT64_MAX) + ": '" + value + "'");
            return false;
        }
        return true;
    case SvgOption:
        if (value.empty()) {
            Fail(o.name, "needs a file name");
            return false;
        }
        out->svgPath = value;
        return true;
    case ThreadsOption: {
        std::uint64_t threads = 0;
        if (!ParseWhole(value, MaxThreads, &threads) || threads == 0) {
            Fail(o.name, "not a whole number from 1 to " + GroupedUnsigned(MaxThreads) + ": '" + value + "'");
            return false;
        }
        out->threads = static_cast<unsigned>(threads);
        return true;
    }
    case ResultOption:
        if (value == "galaxy") {
            out->result = SolvedResult::Galaxy;
        } else if (value == "universe") {
            out->result = SolvedResult::Universe;
        } else if (value == "inhabited") {
            out->result = SolvedResult::Inhabited;
        } else {
            Fail(o.name, "not galaxy, universe or inhabited: '" + value + "'");
            return false;
        }
        return true;
    case TargetOption: {
        // The program's own number reader: 1, 0.5, 1e6.
        int error = 0;
        long double target = value.size() < 64 ? TextToReal(value.c_str(), &error) : 0;
        if (value.size() >= 64 || error != 0 || !std::isfinite(target)) {
            Fail(o.name, "not a number: '" + value + "'");
            return false;
        }
        out->target = target;
        out->targetText = value;
        return true;
    }
    case ObserveOption:
        if (!ObservationFromName(value, &out->observation)) {
            Fail(o.name, "not none, sampling, poisson, nok3 or settlement: '" + value + "'");
            return false;
        }
        return true;
    case JsonOption:
    case PrintModelOption:
    case SobolOption: break;
    }
    return true;
}

}  // namespace

bool ParseCommandLine(const char* command, const std::vector<std::string>& args, unsigned allowed, CommandLine* out)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out->files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg.substr(0, arg.find('='));
        const OptionName* found = nullptr;
        for (const OptionName& o : Options) {
            if (name == o.name) found = &o;
        }
        if (!found) {
            Fail(name, "unknown option");
            return false;
        }
        if ((allowed & found->option) == 0) {
            Fail(name, std::string("not an option of ") + command);
            return false;
        }
        bool inlineValue = name.size() < arg.size();
        if (!found->takesValue) {
            if (inlineValue) {
                Fail(name, "takes no value");
                return false;
            }
            (found->option == JsonOption ? out->json : found->option == SobolOption ? out->sobol : out->printModel) = true;
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = arg.substr(name.size() + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            Fail(name, "needs a value");
            return false;
        }
        if (!SetValue(*found, value, out)) return false;
    }
    return true;
}
