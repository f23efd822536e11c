#include "doc/UsableCores.h"

#include <algorithm>
#include <atomic>
#include <sched.h>
#include <thread>

namespace {
std::atomic<unsigned> importJobs{1};
}

unsigned UsableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return unsigned(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

void ShareCoresAmongImports(unsigned jobs) { importJobs = std::max(1u, jobs); }

unsigned CoresPerImport() { return std::max(1u, UsableCores() / importJobs); }
