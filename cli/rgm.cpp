// rgm: command-line front for the .rgm codec (placeholder until the tool lands).
#include <cstdio>

int main()
{
    std::puts("rgm " KARVEX_VERSION);
    return 0;
}
