// rgm convert --to FORMAT -o OUTDIR [-j N] [--force] [--colors N] IN...:
// many pictures into one folder, several at a time.
#pragma once

#include <string>
#include <vector>

// True when the arguments after "convert" ask for the batch form (--to given).
bool IsBatchConvert(const std::vector<std::string>& args);

// Runs the batch form; args are the arguments after "convert". Throws
// UsageError for wrong arguments. Returns EXIT_FAILED when any file failed.
int RunBatchConvert(const std::vector<std::string>& args);
