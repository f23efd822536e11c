#include "doc/TemporaryFiles.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

// Everything the handler touches is a lock-free atomic or a fixed buffer: a
// signal handler may not allocate, lock or call anything but async-signal-safe
// functions (unlinkat, sigaction, raise).
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = 3;
constexpr int kSlots = 16;
constexpr size_t kNameBytes = 64;

struct Slot {
    std::atomic<bool> taken{false};
    std::atomic<int> dirFd{-1};  // -1 while nothing is registered
    char name[kNameBytes] = {};
};
Slot g_slots[kSlots];

std::atomic<int> g_holders{0};         // live TerminationSignalsHeld scopes
std::atomic<int> g_heldSignal{0};      // a signal that arrived while held

// Installation of the handlers, counted over the live guards.
std::mutex g_installMutex;
int g_guards = 0;
struct sigaction g_previous[kSignalCount];
bool g_installed[kSignalCount] = {};

void RemoveRegisteredFiles()
{
    for (Slot& slot : g_slots) {
        const int dirFd = slot.dirFd.load(std::memory_order_acquire);
        if (dirFd >= 0)
            ::unlinkat(dirFd, slot.name, 0);
    }
}

// Ends the process by sig with its default action, as if no handler had run,
// so the parent sees the true cause (a shell reports 130 for SIGINT).
void DieBy(int sig)
{
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(sig, &fallback, nullptr);
    ::raise(sig);  // delivered as soon as the handler (if any) returns
}

void OnTerminationSignal(int sig)
{
    const int savedErrno = errno;
    if (g_holders.load() > 0) {
        g_heldSignal.store(sig);
    } else {
        RemoveRegisteredFiles();
        DieBy(sig);
    }
    errno = savedErrno;
}

void InstallHandlers()
{
    struct sigaction ours {};
    ours.sa_handler = OnTerminationSignal;
    ours.sa_flags = SA_RESTART;
    sigemptyset(&ours.sa_mask);
    for (int sig : kSignals)
        sigaddset(&ours.sa_mask, sig);
    for (int i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], nullptr, &g_previous[i]);
        g_installed[i] = !(g_previous[i].sa_flags & SA_SIGINFO) && g_previous[i].sa_handler == SIG_DFL;
        if (g_installed[i])
            ::sigaction(kSignals[i], &ours, nullptr);
    }
}

void RestoreHandlers()
{
    for (int i = 0; i < kSignalCount; ++i)
        if (g_installed[i])
            ::sigaction(kSignals[i], &g_previous[i], nullptr);
}

}  // namespace

TemporaryFileGuard::TemporaryFileGuard()
{
    std::lock_guard lock(g_installMutex);
    if (g_guards++ == 0)
        InstallHandlers();
}

TemporaryFileGuard::~TemporaryFileGuard()
{
    Forget();
    std::lock_guard lock(g_installMutex);
    if (--g_guards == 0)
        RestoreHandlers();
}

void TemporaryFileGuard::Track(int dirFd, const char* name)
{
    Forget();
    if (std::strlen(name) >= kNameBytes)
        return;
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (g_slots[i].taken.compare_exchange_strong(expected, true)) {
            std::strcpy(g_slots[i].name, name);
            g_slots[i].dirFd.store(dirFd, std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

void TemporaryFileGuard::Forget()
{
    if (slot_ < 0)
        return;
    g_slots[slot_].dirFd.store(-1, std::memory_order_release);
    g_slots[slot_].taken.store(false);
    slot_ = -1;
}

TerminationSignalsHeld::TerminationSignalsHeld() { g_holders.fetch_add(1); }

TerminationSignalsHeld::~TerminationSignalsHeld()
{
    if (g_holders.fetch_sub(1) != 1)
        return;
    const int sig = g_heldSignal.exchange(0);
    if (sig != 0) {
        RemoveRegisteredFiles();
        DieBy(sig);
    }
}
