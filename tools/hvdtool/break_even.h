// What hvdtool solve finds: for each parameter of a settings file on its
// own, the others held at the file's values, the values at which a
// result's product before rounding crosses a target, searched over the
// values the settings wizard accepts for that parameter.
#pragma once

#include <cstddef>
#include <vector>

#include "model/estimation.h"
#include "tools/hvdtool/command_options.h"

// The product solve follows: the inhabited planets before their rounding,
// the galaxy's civilizations before rounding and the "at least 1" rule,
// or the universe's, from the galaxy's count without that rule.
long double SolvedProduct(const StageProducts& products, SolvedResult result);

// Every stage is rounded, so the product is a step function of most
// parameters and may never equal the target: a crossing is a pair of
// neighbouring values (whole numbers, or floats next to each other), one
// whose product reaches the target (is at least it) and one whose product
// stays below it.
struct Crossing {
    long double value;      // the first value at which the product reaches the target
    long double product;    // the product there
    long double neighbour;  // the value next to it, whose product is below the target
    long double neighbourProduct;
};

struct BreakEven {
    std::size_t parameter;  // index in SettingsFields
    long double fileValue;
    long double from, to;   // the values searched: what the wizard accepts with the others at the file's values
    std::vector<Crossing> crossings;  // in ascending order of value
    bool reachedAtFrom;     // whether the product at `from` reaches the target (says which side a search without crossings stayed on)
};

// One entry per parameter, in file order. storedBlock must be accepted by
// the wizard. The values are searched on a grid of a few thousand points
// spread over the accepted range in the order of the values' bits (about
// logarithmically for floats), each change of side narrowed to two
// neighbouring values; around each, the neighbouring values are scanned
// for further changes, where rounding makes the product go back and forth.
std::vector<BreakEven> FindBreakEvens(const unsigned char* storedBlock, SolvedResult result, long double target);
