#include "cli/BatchConvert.h"

#include "cli/BatchPlan.h"
#include "cli/Commands.h"
#include "codec/MapRaster.h"
#include "doc/ColorHistogram.h"
#include "doc/PictureFiles.h"
#include "doc/UsableCores.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Totals {
    size_t converted = 0;
    size_t skipped = 0;
    size_t failed = 0;
    uint64_t bytesIn = 0;
    uint64_t bytesOut = 0;
    uint64_t pixels = 0;
};

uint64_t SizeOf(const std::string& path)
{
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : uint64_t(size);
}

// Reads, lowers and writes one picture; returns its pixel count. Throws FileProblem.
uint64_t ConvertOne(const BatchItem& item, const BatchOptions& options)
{
    CMapRaster raster;
    ForFile(item.input, [&] { LoadPicture(item.input, raster, options.limits); });
    if (options.colours && *options.colours < raster.colorCount)
        ForFile(item.input, [&] { ReduceColorCount(raster, *options.colours); });
    ForFile(item.output, [&] { SavePicture(item.output, raster); });
    return raster.PixelCount();
}

std::string MessageOf(const FileProblem& e)
{
    std::string what = e.what();
    if (what.rfind(e.file() + ":", 0) != 0)
        what = e.file() + ": " + what;
    for (char& c : what)
        if (c == '\n' || c == '\r')
            c = ' ';
    return what;
}

// Shared by the workers: the next item to take, the totals and the terminal.
class BatchRun {
public:
    BatchRun(const std::vector<BatchItem>& plan, const BatchOptions& options)
        : plan_(plan), options_(options), progress_(::isatty(STDERR_FILENO) == 1)
    {
        for (const BatchItem& item : plan)
            toDo_ += item.action == BatchItem::Action::Convert;
    }

    void Work()
    {
        for (size_t i; (i = next_++) < plan_.size();) {
            const BatchItem& item = plan_[i];
            if (item.action == BatchItem::Action::Skip) {
                std::lock_guard lock(mutex_);
                ++totals_.skipped;
                continue;
            }
            if (item.action == BatchItem::Action::Refuse) {
                Failed(item.input + ": " + item.refusal);
                continue;
            }
            try {
                const uint64_t pixels = ConvertOne(item, options_);
                Converted(item, pixels);
            } catch (const FileProblem& e) {
                Failed(MessageOf(e));
            } catch (const std::exception& e) {
                Failed(item.input + ": " + e.what());
            }
        }
    }

    const Totals& Result() const { return totals_; }
    double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

    void ClearProgress()
    {
        if (progress_ && shown_)
            std::fputs("\r\033[K", stderr);
    }

private:
    void Converted(const BatchItem& item, uint64_t pixels)
    {
        const uint64_t in = SizeOf(item.input), out = SizeOf(item.output);
        std::lock_guard lock(mutex_);
        ++totals_.converted;
        totals_.bytesIn += in;
        totals_.bytesOut += out;
        totals_.pixels += pixels;
        ShowProgress();
    }

    void Failed(const std::string& message)
    {
        std::lock_guard lock(mutex_);
        ++totals_.failed;
        ClearProgress();
        std::fprintf(stderr, "rgm: %s\n", message.c_str());
        ShowProgress();
    }

    // "12/300 files, 35.2 MP/s, 1:02 left" on one terminal line, rewritten in place.
    void ShowProgress()
    {
        if (!progress_)
            return;
        const size_t done = totals_.converted + totals_.failed;
        const double seconds = Seconds();
        const double rate = seconds > 0 ? double(totals_.pixels) / 1e6 / seconds : 0;
        const long left = done ? long(seconds / double(done) * double(toDo_ - std::min(done, toDo_))) : 0;
        std::fprintf(stderr, "\r\033[K%zu/%zu files, %.1f MP/s, %ld:%02ld left", done, toDo_, rate, left / 60,
                     left % 60);
        std::fflush(stderr);
        shown_ = true;
    }

    const std::vector<BatchItem>& plan_;
    const BatchOptions& options_;
    const bool progress_;
    const Clock::time_point start_ = Clock::now();
    size_t toDo_ = 0;
    std::atomic<size_t> next_{0};
    std::mutex mutex_;
    Totals totals_;
    bool shown_ = false;
};

}  // namespace

bool IsBatchConvert(const std::vector<std::string>& args)
{
    for (const std::string& a : args) {
        if (a == "--")
            break;  // file names follow
        if (a == "--to" || a == "-o" || a == "-j" || a == "--force")
            return true;
    }
    return false;
}

int RunBatchConvert(const std::vector<std::string>& args)
{
    const BatchOptions options = ParseBatchOptions(args);
    std::error_code ec;
    fs::create_directories(options.outDir, ec);
    if (!fs::is_directory(options.outDir, ec))
        throw FileProblem(options.outDir, "cannot make the output folder");

    const std::vector<BatchItem> plan = PlanBatch(options);
    unsigned jobs = options.jobs ? options.jobs : UsableCores();
    jobs = unsigned(std::min<size_t>(jobs, plan.size()));
    // Jobs side by side split the cores rather than each import taking them all.
    ShareCoresAmongImports(jobs);
    BatchRun run(plan, options);
    std::vector<std::thread> workers;
    for (unsigned j = 1; j < jobs; ++j) {
        try {
            workers.emplace_back([&] { run.Work(); });
        } catch (const std::system_error&) {
            break;  // fewer threads than asked for still finish the work
        }
    }
    run.Work();
    for (std::thread& w : workers)
        w.join();
    run.ClearProgress();

    const Totals& t = run.Result();
    std::printf("%zu converted, %zu skipped (already there), %zu failed; %llu bytes in, %llu bytes out; %.1f s\n",
                t.converted, t.skipped, t.failed, static_cast<unsigned long long>(t.bytesIn),
                static_cast<unsigned long long>(t.bytesOut), run.Seconds());
    return t.failed ? EXIT_FAILED : EXIT_OK;
}
