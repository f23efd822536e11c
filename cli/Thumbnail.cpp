#include "cli/Thumbnail.h"

#include "cli/Commands.h"
#include "doc/PngWriter.h"
#include "doc/SafeFile.h"
#include "doc/Thumbnail.h"

namespace {

uint32_t ParseSize(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) < 1 || std::stoi(text) > 4096)
        throw UsageError("--size needs a number from 1 to 4096, not '" + text + "'");
    return uint32_t(std::stoi(text));
}

}  // namespace

int RunThumbnail(const std::vector<std::string>& args)
{
    std::vector<std::string> operands;
    uint32_t size = 0;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (optionsEnded) {
            operands.push_back(args[i]);
        } else if (args[i] == "--") {
            optionsEnded = true;  // what follows are file names, even if they start with '-'
        } else if (args[i] == "--size" || args[i] == "-s") {
            if (i + 1 == args.size())
                throw UsageError("--size needs a number from 1 to 4096");
            size = ParseSize(args[++i]);
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw UsageError("unknown option '" + args[i] + "' for thumbnail");
        } else {
            operands.push_back(args[i]);
        }
    }
    if (size == 0)
        throw UsageError("thumbnail needs --size N");
    if (operands.size() != 2)
        throw UsageError("thumbnail needs IN and OUT.png");
    const std::string& in = operands[0];
    const std::string& out = operands[1];
    TruecolorPicture thumbnail;
    ForFile(in, [&] { thumbnail = MakeThumbnail(in, size); });
    ForFile(out, [&] {
        WriteFileAtomically(out, EncodePngRgb(uint32_t(thumbnail.width), uint32_t(thumbnail.height),
                                              thumbnail.pixels.data()));
    });
    return EXIT_OK;
}
