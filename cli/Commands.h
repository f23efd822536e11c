// The rgm tool's commands. Each returns the process exit status and throws
// on failure; main turns an exception into one line on stderr.
#pragma once

#include <exception>
#include <new>
#include <optional>
#include <utility>
#include <stdexcept>
#include <string>

// Exit statuses.
constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// Wrong arguments: reported with exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure that concerns one file; the message gets that file's name in front.
class FileProblem : public std::runtime_error {
public:
    FileProblem(std::string file, const std::string& what)
        : std::runtime_error(what), file_(std::move(file)) {}
    const std::string& file() const { return file_; }

private:
    std::string file_;
};

// Runs step and reports any failure of it as a problem of file.
template <typename Step>
void ForFile(const std::string& file, Step step)
{
    try {
        step();
    } catch (const std::bad_alloc&) {
        throw FileProblem(file, "not enough memory");
    } catch (const std::exception& e) {
        throw FileProblem(file, e.what());
    }
}

// rgm convert IN OUT [--colors N] [--best]
int RunConvert(const std::string& in, const std::string& out, std::optional<int> colours, bool best);

// rgm info FILE.rgm|FILE.rgz [--json]
int RunInfo(const std::string& path, bool json);
