// rgm: converts and inspects Karvex pictures from the command line.
#include "cli/Commands.h"

#include "doc/PictureFiles.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

// The formats come from the format table, so a new format appears here by itself.
std::string Usage()
{
    return "Usage: rgm convert IN OUT [--colors N] [--best]\n"
           "       rgm info FILE.rgm [--json]\n"
           "       rgm info FILE.rgz [--json]\n"
           "       rgm --help | --version\n"
           "       (-- ends the options: rgm convert -- -in.rgm out.bmp)\n"
           "\n"
           "convert  reads IN and writes OUT, each in the format its extension names;\n"
           "         --colors N (1 to 256) first lowers the picture to at most N colours.\n"
           "         OUT is replaced only when the whole file is written. --best writes\n"
           "         an .rgz file at its strong level (smaller, slower to read and write).\n"
           "info     prints the size, colours and palette of an .rgm file, its numbers of\n"
           "         regions, chains, crack codes and small regions, and the byte size of\n"
           "         each of its six parts; --json prints the same as one JSON object.\n"
           "         For an .rgz file: its level and mode, the byte size of each part and\n"
           "         whether its checksum matches.\n"
           "\n"
           "Reads " + ExtensionList(FormatUse::Read) + "; writes " + ExtensionList(FormatUse::Write) + ".\n"
           "Exit status: 0 success, 1 a file could not be read or written, 2 wrong arguments.\n";
}

int ParseColours(const std::string& text)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError("--colors needs a number from 1 to 256, not '" + text + "'");
    const int n = std::stoi(text);
    if (n < 1 || n > 256)
        throw UsageError("--colors needs a number from 1 to 256, not '" + text + "'");
    return n;
}

int Run(const std::vector<std::string>& args)
{
    if (args.empty())
        throw UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(Usage().c_str(), stdout);
        return EXIT_OK;
    }
    if (command == "--version") {
        std::puts("rgm " KARVEX_VERSION);
        return EXIT_OK;
    }

    std::vector<std::string> operands;
    std::optional<int> colours;
    bool json = false;
    bool best = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded) {
            operands.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;  // what follows are file names, even if they start with '-'
        } else if (command == "convert" && a == "--colors") {
            if (i + 1 == args.size())
                throw UsageError("--colors needs a number from 1 to 256");
            colours = ParseColours(args[++i]);
        } else if (command == "convert" && a.rfind("--colors=", 0) == 0) {
            colours = ParseColours(a.substr(9));
        } else if (command == "convert" && a == "--best") {
            best = true;
        } else if (command == "info" && a == "--json") {
            json = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option '" + a + "' for " + command);
        } else {
            operands.push_back(a);
        }
    }
    if (command == "convert") {
        if (operands.size() != 2)
            throw UsageError("convert needs IN and OUT");
        return RunConvert(operands[0], operands[1], colours, best);
    }
    if (command == "info") {
        if (operands.size() != 1)
            throw UsageError("info needs one .rgm file");
        return RunInfo(operands[0], json);
    }
    throw UsageError("unknown command '" + command + "'");
}

// One line: newlines inside a message become spaces.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    int status;
    try {
        status = Run(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "rgm: %s (see rgm --help)\n", OneLine(e.what()).c_str());
        return EXIT_USAGE;
    } catch (const FileProblem& e) {
        // Most messages from the readers and writers already start with the file name.
        std::string what = e.what();
        if (what.rfind(e.file() + ":", 0) != 0)
            what = e.file() + ": " + what;
        std::fprintf(stderr, "rgm: %s\n", OneLine(what).c_str());
        return EXIT_FAILED;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rgm: %s\n", OneLine(e.what()).c_str());
        return EXIT_FAILED;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "rgm: cannot write to standard output\n");
        return EXIT_FAILED;
    }
    return status;
}
