// Work split into chunks that run on threads of their own, for the passes of
// an import that pay for it. Each chunk's result depends only on its chunk,
// so the outcome is the same whichever thread ran it and however many there were.
#pragma once

#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

// Chunk k of `chunks` equal parts of n items: items [First(k), First(k + 1)).
struct ChunkSplit {
    size_t n;
    unsigned chunks;
    size_t First(unsigned k) const { return n / chunks * k + n % chunks * k / chunks; }
    size_t Size(unsigned k) const { return First(k + 1) - First(k); }
};

// Calls work(k) for k = 0 .. chunks-1, k = 0 on the calling thread and each
// other on a thread of its own (or on the calling thread, after its own
// chunk, when no thread can be started). Returns once every chunk is done,
// then rethrows the exception of the first chunk that threw, if any: no
// thread outlives the call.
template <typename Work>
void RunChunks(unsigned chunks, Work work)
{
    std::vector<std::exception_ptr> errors(chunks);
    auto run = [&](unsigned k) {
        try {
            work(k);
        } catch (...) {
            errors[k] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    std::vector<unsigned> leftOver;
    threads.reserve(chunks);
    leftOver.reserve(chunks);
    for (unsigned k = 1; k < chunks; ++k) {
        try {
            threads.emplace_back(run, k);
        } catch (...) {
            leftOver.push_back(k);
        }
    }
    run(0);
    for (unsigned k : leftOver)
        run(k);
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& error : errors)
        if (error)
            std::rethrow_exception(error);
}
