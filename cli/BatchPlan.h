// What a batch conversion will do with each input, decided before any work starts.
#pragma once

#include "codec/Limits.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct BatchOptions {
    std::string format;  // extension of the outputs, lower case, without the dot
    std::string outDir;
    unsigned jobs = 0;   // 0: one per core
    bool force = false;
    std::optional<int> colours;
    Limits limits;
    std::vector<std::string> inputs;
};

// Parses the arguments after "convert"; throws UsageError.
BatchOptions ParseBatchOptions(const std::vector<std::string>& args);

struct BatchItem {
    std::string input;
    std::string output;
    enum class Action { Convert, Skip, Refuse } action = Action::Convert;
    std::string refusal;  // why, for Refuse
};

// OUTDIR/stem.FORMAT for every input, stem being the input's file name
// without its extension. An output that exists is skipped unless force; a
// second input with the same output is refused.
std::vector<BatchItem> PlanBatch(const BatchOptions& options);
