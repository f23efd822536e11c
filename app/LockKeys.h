// The state of the Caps, Num and Scroll Lock keys, as the keyboard's
// indicators show it. Only X11 (through XKB) tells it; elsewhere, and on
// X11 servers without the indicator, the state is unknown.
#pragma once

#include <optional>

struct LockKeyState {
    std::optional<bool> caps;
    std::optional<bool> num;
    std::optional<bool> scroll;
};

LockKeyState ReadLockKeys();
