// What hvdtool solve finds: for each parameter of a settings file on its
// own, the others held at the file's values, the values at which a
// result's product before rounding crosses a target, searched over the
// values the settings wizard accepts for that parameter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
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
// the wizard. Each parameter's values are searched by FindSideChanges, as
// indexes: counts as themselves, floats in the order of their bits (about
// logarithmically).
std::vector<BreakEven> FindBreakEvens(const unsigned char* storedBlock, SolvedResult result, long double target);

// A line of values, by index: which of them the wizard accepts, and which
// reach the target.
struct IndexLine {
    std::function<bool(std::int64_t)> accepted;
    std::function<bool(std::int64_t)> reaches;
};

struct SideChanges {
    std::int64_t from, to;            // the lowest and the highest accepted index
    std::set<std::int64_t> changes;   // i: i and i + 1 are both accepted and on different sides
};

// The changes of side over low to high, around `inside`, an accepted index.
// A grid of a few thousand points spread over the range finds the accepted
// bounds and the changes of side, each narrowed to two neighbouring
// accepted indexes, stepping around any band of refused ones; around each,
// the neighbouring indexes are scanned for further changes, where rounding
// makes the product go back and forth.
SideChanges FindSideChanges(const IndexLine& line, std::int64_t low, std::int64_t high, std::int64_t inside);
