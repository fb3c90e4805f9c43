#include <cstdio>

int main()
{
    std::puts("Korvalen household scheduler: the data files and their services are built, "
              "but the main window is not yet; there is no window to show.");
    return 0;
}
