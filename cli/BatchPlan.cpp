#include "cli/BatchPlan.h"

#include "cli/Commands.h"
#include "cli/LimitOptions.h"
#include "doc/PictureFiles.h"

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

int ParseNumber(const std::string& option, const std::string& text, int lowest, int highest)
{
    const std::string wanted = option + " needs a number from " + std::to_string(lowest) + " to " +
                               std::to_string(highest);
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError(wanted + ", not '" + text + "'");
    const int n = std::stoi(text);
    if (n < lowest || n > highest)
        throw UsageError(wanted + ", not '" + text + "'");
    return n;
}

// Whether the table of formats can write this extension.
bool CanWrite(const std::string& format)
{
    const PictureFormat* row = FormatOfExtension(format);
    return row && row->write;
}

}  // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& args)
{
    BatchOptions o;
    bool haveTo = false;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a == "--") {
            if (optionsEnded)
                o.inputs.push_back(a);
            optionsEnded = true;  // what follows are file names, even if they start with '-'
            continue;
        }
        auto value = [&]() -> const std::string& {
            if (i + 1 == args.size())
                throw UsageError(a + " needs a value");
            return args[++i];
        };
        if (TakeLimitOption(args, i, o.limits))
            continue;
        if (a == "--to") {
            o.format = ExtensionOf("." + value());
            haveTo = true;
        } else if (a == "-o") {
            o.outDir = value();
        } else if (a == "-j") {
            o.jobs = unsigned(ParseNumber("-j", value(), 1, 256));
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "--colors") {
            o.colours = ParseNumber("--colors", value(), 1, 256);
        } else if (a.rfind("--colors=", 0) == 0) {
            o.colours = ParseNumber("--colors", a.substr(9), 1, 256);
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option '" + a + "' for convert");
        } else {
            o.inputs.push_back(a);
        }
    }
    if (!haveTo)
        throw UsageError("convert with several inputs needs --to FORMAT");
    if (!CanWrite(o.format))
        throw UsageError("cannot write the format '" + o.format + "'");
    if (o.outDir.empty())
        throw UsageError("convert --to needs an output folder (-o OUTDIR)");
    if (o.inputs.empty())
        throw UsageError("convert --to needs at least one input");
    return o;
}

std::vector<BatchItem> PlanBatch(const BatchOptions& options)
{
    std::vector<BatchItem> plan;
    std::map<std::string, std::string> inputOf;  // output -> the input that claimed it
    for (const std::string& input : options.inputs) {
        BatchItem item;
        item.input = input;
        const std::string name = fs::path(input).filename().string();
        const size_t dot = name.rfind('.');
        const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
        item.output = (fs::path(options.outDir) / (stem + "." + options.format)).string();
        const auto [claimed, isNew] = inputOf.emplace(item.output, input);
        std::error_code ec;
        if (stem.empty()) {
            item.action = BatchItem::Action::Refuse;
            item.refusal = "has no file name to name the output after";
        } else if (!isNew) {
            item.action = BatchItem::Action::Refuse;
            item.refusal = "would be written to " + item.output + " like " + claimed->second;
        } else if (!options.force && fs::exists(fs::symlink_status(item.output, ec))) {
            item.action = BatchItem::Action::Skip;
        }
        plan.push_back(std::move(item));
    }
    return plan;
}
