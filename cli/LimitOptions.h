// The LIMITS options (--max-pixels N, --max-file-bytes N) shared by the rgm commands.
#pragma once

#include "codec/Limits.h"

#include <cstddef>
#include <string>
#include <vector>

// Takes either LIMITS option at args[i] ("--max-pixels N" or "--max-pixels=N")
// into limits, advancing i past its value; false if args[i] is another
// argument. Throws UsageError for a value that is not a positive whole number.
bool TakeLimitOption(const std::vector<std::string>& args, size_t& i, Limits& limits);
