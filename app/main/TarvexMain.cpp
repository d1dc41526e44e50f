#include <cstdio>

int main()
{
    std::fputs("Tarvex cannot start yet: the application shell is not built, so there is no "
                "window or game to show. The platform base and its tests are in place.\n",
                stdout);
    return 0;
}
