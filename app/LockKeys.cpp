#include "app/LockKeys.h"

#ifdef KARVEX_HAVE_XKB

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace {

// The indicators' bit numbers on one display, looked up once.
struct IndicatorBits {
    Display* display = nullptr;
    int caps = -1;
    int num = -1;
    int scroll = -1;
};

int IndicatorBit(Display* display, const char* name)
{
    const Atom atom = XInternAtom(display, name, True);
    int index = -1;
    if (atom == None || !XkbGetNamedIndicator(display, atom, &index, nullptr, nullptr, nullptr))
        return -1;
    return index;
}

Display* QtDisplay()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

std::optional<bool> BitState(unsigned state, int bit)
{
    if (bit < 0)
        return std::nullopt;
    return (state >> bit & 1u) != 0;
}

}  // namespace

LockKeyState ReadLockKeys()
{
    static IndicatorBits bits;
    Display* display = QtDisplay();
    if (!display)
        return {};
    if (bits.display != display) {
        int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
        if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor))
            return {};
        bits = {display, IndicatorBit(display, "Caps Lock"), IndicatorBit(display, "Num Lock"),
                IndicatorBit(display, "Scroll Lock")};
    }
    unsigned state = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success)
        return {};
    return {BitState(state, bits.caps), BitState(state, bits.num), BitState(state, bits.scroll)};
}

#else

LockKeyState ReadLockKeys() { return {}; }

#endif
