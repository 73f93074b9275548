// hvdtool's commands for comparing settings files, for the spread of
// their results and for the values that would change the answer (the
// file-level ones, make, text, show and check, are in hvdtool.cpp). Each
// returns the exit status: 0 done, 1 found (diff: the files differ), 2 bad
// input, reported in one line on stderr.
#pragma once

#include <string>

#include "tools/hvdtool/command_options.h"

// show --json: the parameters, texts, results and settings line.
int ShowJsonCommand(const std::string& path);

// Every parameter and text that differs, then the five results of both
// with their ratio B / A.
int DiffCommand(const std::string& pathA, const std::string& pathB, bool json);

// The Monte-Carlo run between line.files[0] and line.files[1], with
// line.samples, line.seed, line.threads, line.json and line.svgPath.
int RangeCommand(const CommandLine& line);

// For each parameter of line.files[0] on its own, the values at which the
// product of line.result crosses line.target; line.json for JSON.
int SolveCommand(const CommandLine& line);
