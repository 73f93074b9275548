#include "tools/hvdtool/range/range_model.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "tools/hvdtool/output/number_format.h"
#include "tools/hvdtool/settings/settings_source.h"

// The text of resources/Internal.txt, built in (default_settings.cpp).
extern const char DefaultSettingsSource[];

namespace {

// Beyond these a beta's quantiles lose their accuracy.
const long double SmallestBetaParameter = 0.05L, LargestBetaParameter = 10000;

std::string Trim(const std::string& text)
{
    return TrimmedText(text);
}

int FieldIndex(const std::string& name)
{
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        if (name == SettingsFields[i].name) return static_cast<int>(i);
    }
    return -1;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A number as the settings texts write it: 0.5, 1e10, or with grouping
// commas (10,000,000,000) where commas may stand.
bool ParseNumber(std::string text, bool grouping, long double* value)
{
    if (grouping && text.find(',') != std::string::npos) {
        // Groups of three digits after each comma, one to three before the first.
        std::size_t point = text.find_first_of(".eE");
        std::string whole = text.substr(0, point), rest = point == std::string::npos ? "" : text.substr(point);
        std::size_t start = !whole.empty() && (whole[0] == '-' || whole[0] == '+') ? 1 : 0;
        std::size_t first = whole.find(',');
        if (first <= start || first - start > 3) return false;
        for (std::size_t i = first; i < whole.size(); i += 4) {
            if (whole[i] != ',' || i + 3 >= whole.size() || !IsDigit(whole[i + 1]) || !IsDigit(whole[i + 2]) || !IsDigit(whole[i + 3])) {
                return false;
            }
        }
        std::string digits;
        for (char c : whole) {
            if (c != ',') digits += c;
        }
        text = digits + rest;
    }
    if (text.empty() || text.size() > 200) return false;
    int error = 0;
    *value = TextToReal(text.c_str(), &error);
    return error == 0 && std::isfinite(*value);
}

// A value as the field stores it: a whole number, or the nearest float.
bool StoredValue(const SettingsField& field, long double value, long double* stored)
{
    if (field.kind == FieldKind::Count) {
        std::int64_t count;
        if (!RealToCount(value, &count)) return false;
        *stored = static_cast<long double>(count);
        return true;
    }
    float single = RealToFloat(value);
    *stored = single;
    return std::isfinite(single);
}

struct Parser {
    RangeModel* model;
    std::size_t line = 0;
    std::string problem;

    bool Fail(const std::string& why)
    {
        problem = why;
        return false;
    }

    // Splits "a, b(c, d), e" at the commas outside parentheses.
    static std::vector<std::string> Arguments(const std::string& inside)
    {
        std::vector<std::string> parts;
        int depth = 0;
        std::string current;
        for (char c : inside) {
            if (c == '(') ++depth;
            if (c == ')') --depth;
            if (c == ',' && depth == 0) {
                parts.push_back(Trim(current));
                current.clear();
            } else {
                current += c;
            }
        }
        parts.push_back(Trim(current));
        return parts;
    }

    bool Numbers(const std::string& family, const std::vector<std::string>& texts, std::vector<long double>* values)
    {
        values->clear();
        for (const std::string& text : texts) {
            long double value;
            if (!ParseNumber(text, false, &value)) {
                return Fail(family + ": not a number: '" + text + "' (no digit grouping inside the parentheses)");
            }
            values->push_back(value);
        }
        return true;
    }

    bool ParseDistribution(const SettingsField& field, const std::string& text, bool inner, Distribution* d)
    {
        std::size_t open = text.find('(');
        if (open == std::string::npos) {
            long double value;
            if (!ParseNumber(text, true, &value)) return Fail("not a number or a distribution: '" + text + "'");
            if (!inner && !StoredValue(field, value, &value)) return Fail("beyond what " + std::string(field.name) + " can hold: '" + text + "'");
            d->spread = Spread::Fixed;
            d->a = value;
            return true;
        }
        const std::string family = Trim(text.substr(0, open));
        if (text.back() != ')') return Fail(family + ": no closing parenthesis, or text after it");
        const std::vector<std::string> texts = Arguments(text.substr(open + 1, text.size() - open - 2));
        if (family == "atleastone") {
            if (inner) return Fail("atleastone inside atleastone");
            if (texts.size() != 1) return Fail("atleastone takes one distribution, not " + std::to_string(texts.size()));
            if (!ParseDistribution(field, texts[0], true, d)) return false;
            d->atLeastOne = true;
            return true;
        }
        std::vector<long double> args;
        if (!Numbers(family, texts, &args)) return false;
        // The ends and listed values of what is drawn as stored are stored values themselves.
        const bool stored = !inner && (family == "uniform" || family == "loguniform" || family == "values");
        if (stored) {
            for (long double& value : args) {
                if (!StoredValue(field, value, &value)) return Fail(family + ": beyond what " + std::string(field.name) + " can hold");
            }
        }
        if (family == "values") {
            if (args.empty() || texts[0].empty()) return Fail("values needs at least one value");
            d->spread = Spread::Values;
            d->values = args;
            return true;
        }
        static const struct {
            const char* name;
            Spread spread;
        } twoArguments[] = {{"uniform", Spread::Uniform},     {"loguniform", Spread::LogUniform},   {"normal", Spread::Normal},
                            {"log10normal", Spread::Log10Normal}, {"beta", Spread::Beta}};
        bool known = false;
        for (const auto& f : twoArguments) {
            if (family == f.name) {
                d->spread = f.spread;
                known = true;
            }
        }
        if (!known) return Fail("unknown distribution '" + family + "'");
        if (args.size() != 2) return Fail(family + " takes 2 arguments, not " + std::to_string(args.size()));
        d->a = args[0];
        d->b = args[1];
        switch (d->spread) {
        case Spread::Uniform:
            if (!(d->a <= d->b)) return Fail("uniform(a, b) needs a <= b");
            break;
        case Spread::LogUniform:
            if (!(d->a > 0 && d->a <= d->b)) return Fail("loguniform(a, b) needs 0 < a <= b");
            break;
        case Spread::Normal:
        case Spread::Log10Normal:
            if (!(d->b > 0)) return Fail(family + "(mean, sd) needs sd > 0");
            break;
        case Spread::Beta:
            if (!(d->a > 0 && d->b > 0)) return Fail("beta(alpha, beta) needs alpha > 0 and beta > 0");
            if (d->a < SmallestBetaParameter || d->b < SmallestBetaParameter || d->a > LargestBetaParameter || d->b > LargestBetaParameter) {
                return Fail("beta(alpha, beta) is drawn for alpha and beta from 0.05 to 10000 only");
            }
            break;
        default: break;
        }
        return true;
    }

    bool CorrelationLine(const std::string& name, const std::string& value)
    {
        std::vector<std::string> names = Arguments(name.substr(12, name.size() - 13));
        if (name.back() != ')' || names.size() != 2) return Fail("Correlation(NameA, NameB) names two parameters");
        int a = FieldIndex(names[0]), b = FieldIndex(names[1]);
        if (a < 0) return Fail("unknown parameter '" + names[0] + "' in " + name);
        if (b < 0) return Fail("unknown parameter '" + names[1] + "' in " + name);
        if (a == b) return Fail(name + ": a parameter with itself");
        long double r;
        if (!ParseNumber(value, false, &r) || r < -1 || r > 1) return Fail(name + ": a correlation from -1 to 1, not '" + value + "'");
        Correlation c{static_cast<std::size_t>(a < b ? a : b), static_cast<std::size_t>(a < b ? b : a), r, line};
        for (const Correlation& other : model->correlations) {
            if (other.first == c.first && other.second == c.second) return Fail(name + " given twice");
        }
        model->correlations.push_back(c);
        return true;
    }
};

std::string LineError(std::size_t line, const std::string& problem)
{
    return "line " + std::to_string(line) + ": " + problem;
}

}  // namespace

void DefaultStoredBlock(unsigned char* storedBlock)
{
    SettingsSource source;
    std::string error;
    ParseSettingsSource(DefaultSettingsSource, &source, &error);
    std::memcpy(storedBlock, source.storedBlock, sizeof source.storedBlock);
}

RangeModel ModelBetween(const unsigned char* blockA, const unsigned char* blockB, const std::string& nameA, const std::string& nameB)
{
    RangeModel model;
    std::memcpy(model.base, blockA, sizeof model.base);
    model.fileA = nameA;
    model.fileB = nameB;
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        const SettingsField& f = SettingsFields[i];
        Distribution& d = model.parameters[i];
        long double a, b;
        bool same;
        if (f.kind == FieldKind::Count) {
            a = static_cast<long double>(ReadCountField(blockA, f.offset));
            b = static_cast<long double>(ReadCountField(blockB, f.offset));
            same = ReadCountField(blockA, f.offset) == ReadCountField(blockB, f.offset);
        } else {
            a = ReadRealField(blockA, f.offset);
            b = ReadRealField(blockB, f.offset);
            same = std::memcmp(blockA + f.offset, blockB + f.offset, 4) == 0;
        }
        d.a = a < b ? a : b;
        d.b = a < b ? b : a;
        if (same) {
            d.spread = Spread::Fixed;
            d.a = d.b = a;
        } else {
            d.spread = d.a > 0 && d.b > 10 * d.a ? Spread::LogUniform : Spread::Uniform;
        }
        d.Prepare();
    }
    return model;
}

bool ParseRangeModel(const std::string& text, const BaseLoader& loadBase, RangeModel* model, std::string* error)
{
    DefaultStoredBlock(model->base);
    for (Distribution& d : model->parameters) d = Distribution();
    model->correlations.clear();
    model->baseName.clear();
    model->fileA.clear();
    model->fileB.clear();
    Parser parser{model, 0, ""};
    std::set<std::string> seen;
    std::vector<std::pair<int, std::string>> assignments;  // field, value, applied after Base
    std::vector<std::size_t> assignmentLines;
    std::size_t baseLine = 0;
    const std::vector<std::string> lines = SourceLines(text);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        parser.line = n + 1;
        const std::string line = Trim(lines[n].substr(0, lines[n].find('#')));
        if (line.empty()) continue;
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) return (*error = LineError(n + 1, "expected Name = value")), false;
        const std::string name = Trim(line.substr(0, equals)), value = Trim(line.substr(equals + 1));
        if (value.empty()) return (*error = LineError(n + 1, name + " has no value")), false;
        if (name.compare(0, 12, "Correlation(") == 0) {
            if (!parser.CorrelationLine(name, value)) return (*error = LineError(n + 1, parser.problem)), false;
            continue;
        }
        if (!seen.insert(name).second) return (*error = LineError(n + 1, name + " given twice")), false;
        if (name == "Base") {
            model->baseName = value;
            baseLine = n + 1;
            continue;
        }
        if (name == "Between") {  // the second file of a two-file run: names the report as that run does
            model->fileB = value;
            continue;
        }
        int field = FieldIndex(name);
        if (field < 0) return (*error = LineError(n + 1, "unknown name '" + name + "'")), false;
        assignments.push_back({field, value});
        assignmentLines.push_back(n + 1);
    }
    if (!model->fileB.empty()) {
        if (baseLine == 0) return (*error = LineError(1, "Between needs a Base: the run between the two files")), false;
        model->fileA = model->baseName;
    }
    if (baseLine != 0) {
        std::string problem;
        if (!loadBase(model->baseName, model->base, &problem)) return (*error = LineError(baseLine, "Base " + model->baseName + ": " + problem)), false;
    }
    // Every parameter not named keeps the base's value.
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        const SettingsField& f = SettingsFields[i];
        model->parameters[i].spread = Spread::Fixed;
        model->parameters[i].a = f.kind == FieldKind::Count ? static_cast<long double>(ReadCountField(model->base, f.offset))
                                                            : static_cast<long double>(ReadRealField(model->base, f.offset));
    }
    for (std::size_t k = 0; k < assignments.size(); ++k) {
        parser.line = assignmentLines[k];
        const SettingsField& f = SettingsFields[assignments[k].first];
        Distribution d;
        if (!parser.ParseDistribution(f, assignments[k].second, false, &d)) {
            return (*error = LineError(assignmentLines[k], f.name + std::string(": ") + parser.problem)), false;
        }
        if (d.spread == Spread::Fixed) {
            if (f.kind == FieldKind::Count) {
                WriteCountField(model->base, f.offset, static_cast<std::int64_t>(d.a));
            } else {
                WriteRealField(model->base, f.offset, static_cast<float>(d.a));
            }
        }
        d.Prepare();
        model->parameters[assignments[k].first] = d;
    }
    // Correlations join drawn parameters, in a matrix that can hold.
    std::vector<std::size_t> correlated;
    for (const Correlation& c : model->correlations) {
        for (std::size_t p : {c.first, c.second}) {
            if (model->parameters[p].spread == Spread::Fixed) {
                return (*error = LineError(c.line, std::string("Correlation: ") + SettingsFields[p].name + " is not drawn")), false;
            }
            if (std::find(correlated.begin(), correlated.end(), p) == correlated.end()) correlated.push_back(p);
        }
    }
    std::sort(correlated.begin(), correlated.end());
    std::vector<long double> factor;
    std::size_t failed = 0;
    if (!correlated.empty() && !CorrelationFactor(correlated, model->correlations, &factor, &failed)) {
        std::string names;
        std::size_t firstLine = 0;
        for (const Correlation& c : model->correlations) {
            if (c.first > failed || c.second > failed) continue;
            names += std::string(names.empty() ? "" : ", ") + "Correlation(" + SettingsFields[c.first].name + ", " + SettingsFields[c.second].name + ")";
            if (firstLine == 0 || c.line < firstLine) firstLine = c.line;
        }
        *error = LineError(firstLine, "these correlations cannot hold together (their matrix is not positive definite): " + names);
        return false;
    }
    return true;
}

long double LatentCorrelation(long double rank)
{
    const long double Pi = 3.141592653589793238462643383279502884L;
    return 2 * std::sin(Pi * rank / 6);
}

bool CorrelationFactor(const std::vector<std::size_t>& parameters, const std::vector<Correlation>& correlations,
                       std::vector<long double>* factor, std::size_t* failed)
{
    const std::size_t m = parameters.size();
    std::vector<long double> matrix(m * m, 0);
    for (std::size_t i = 0; i < m; ++i) matrix[i * m + i] = 1;
    for (const Correlation& c : correlations) {
        std::size_t i = std::find(parameters.begin(), parameters.end(), c.first) - parameters.begin();
        std::size_t j = std::find(parameters.begin(), parameters.end(), c.second) - parameters.begin();
        if (i >= m || j >= m) continue;
        matrix[i * m + j] = matrix[j * m + i] = LatentCorrelation(c.rank);
    }
    // Cholesky; a pivot a rounding error below zero (a correlation of 1) counts as 0.
    factor->assign(m * m, 0);
    std::vector<long double>& L = *factor;
    for (std::size_t j = 0; j < m; ++j) {
        long double pivot = matrix[j * m + j];
        for (std::size_t k = 0; k < j; ++k) pivot -= L[j * m + k] * L[j * m + k];
        if (pivot < -1e-12L) {
            *failed = parameters[j];
            return false;
        }
        L[j * m + j] = pivot > 0 ? std::sqrt(pivot) : 0;
        for (std::size_t i = j + 1; i < m; ++i) {
            long double sum = matrix[i * m + j];
            for (std::size_t k = 0; k < j; ++k) sum -= L[i * m + k] * L[j * m + k];
            L[i * m + j] = L[j * m + j] > 0 ? sum / L[j * m + j] : 0;
        }
    }
    return true;
}

std::string WriteRangeModel(const RangeModel& model)
{
    std::string out;
    if (!model.fileB.empty()) {
        out += "# hvdtool range " + model.fileA + " " + model.fileB + " as a range description: every parameter\n"
               "# that differs between the two files drawn between their values, the rest from\n"
               "# the first. Edit and run with: hvdtool range THIS.txt\n";
    }
    if (!model.baseName.empty() || !model.fileA.empty()) out += "Base = " + (model.fileB.empty() ? model.baseName : model.fileA) + "\n";
    if (!model.fileB.empty()) out += "Between = " + model.fileB + "\n";
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        const Distribution& d = model.parameters[i];
        if (d.spread == Spread::Fixed) continue;
        out += std::string(SettingsFields[i].name) + " = " + d.Text(SettingsFields[i].kind == FieldKind::Count) + "\n";
    }
    for (const Correlation& c : model.correlations) {
        out += std::string("Correlation(") + SettingsFields[c.first].name + ", " + SettingsFields[c.second].name +
               ") = " + SignificantText(c.rank, 18, false) + "\n";
    }
    return out;
}
