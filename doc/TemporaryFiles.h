// The temporary files of saves in progress, removed when SIGINT, SIGTERM or
// SIGHUP ends the process. Used by the safe file writer only.
#pragma once

// Registers one temporary file for removal on a termination signal while it
// lives. The first registration installs the signal handlers (for each signal
// whose action is still the default; an ignored signal or a handler of the
// program is left alone) and the last one restores them. The handler unlinks
// every registered file, then ends the process by the same signal.
class TemporaryFileGuard {
public:
    TemporaryFileGuard();
    ~TemporaryFileGuard();
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

    // Registers name (at most 63 bytes) inside the folder open as dirFd. Call it
    // under TerminationSignalsHeld together with the file's creation, so that
    // no signal falls between the two. Up to 16 saves at once are covered.
    void Track(int dirFd, const char* name);
    // Forgets the file (after it was renamed into place, or to keep it).
    void Forget();

private:
    int slot_ = -1;
};

// While one lives, a termination signal is held back: it is remembered and
// acted on (temporaries removed, process ended) when the last one ends. Keeps a
// signal from falling between two steps that must happen together.
class TerminationSignalsHeld {
public:
    TerminationSignalsHeld();
    ~TerminationSignalsHeld();
    TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
    TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;
};
