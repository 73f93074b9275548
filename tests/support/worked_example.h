// The tests' worked example: parameters whose every stage has a known,
// whole-number result (binary fractions, round counts).
#pragma once

// Sets the 22 parameters of the global record; texts, page and reserved
// bytes are left as they are.
void FillWorkedExample();
