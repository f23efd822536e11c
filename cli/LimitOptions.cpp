#include "cli/LimitOptions.h"

#include "cli/Commands.h"

namespace {

uint64_t ParseLimit(const std::string& option, const std::string& text)
{
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoull(text) == 0)
        throw UsageError(option + " needs a positive whole number, not '" + text + "'");
    return std::stoull(text);
}

// Takes "--name N" or "--name=N" at args[i] into value; false if args[i] is another option.
bool TakeLimit(const std::vector<std::string>& args, size_t& i, const std::string& name, uint64_t& value)
{
    const std::string& a = args[i];
    if (a == name) {
        if (i + 1 == args.size())
            throw UsageError(name + " needs a positive whole number");
        value = ParseLimit(name, args[++i]);
        return true;
    }
    if (a.rfind(name + "=", 0) == 0) {
        value = ParseLimit(name, a.substr(name.size() + 1));
        return true;
    }
    return false;
}

}  // namespace

bool TakeLimitOption(const std::vector<std::string>& args, size_t& i, Limits& limits)
{
    return TakeLimit(args, i, "--max-pixels", limits.maxPixels) ||
           TakeLimit(args, i, "--max-file-bytes", limits.maxFileBytes);
}
