// What the settings wizard would refuse in a stored block.
#pragma once

#include <string>
#include <vector>

// The wizard shows each field as text and reads that text back when its
// page is confirmed; this applies the same display, reading and acceptance
// rules to every field and returns one line per refused field, in page
// order, e.g. "StarCount 999: below 1,000". Empty when all are accepted.
// Threads may call it at once: the calls take turns, since the number
// texts it uses share their buffers; nothing else may use those texts
// while such threads run.
std::vector<std::string> WizardRefusals(const unsigned char* storedBlock);

// The last message the number readers showed (hvdtool collects them
// instead of showing message boxes).
extern std::string LastInputMessage;
