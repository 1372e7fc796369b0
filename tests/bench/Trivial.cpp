// The floor of the host's memory figure: a program that does nothing but wait.
#include <windows.h>

int main()
{
    Sleep(INFINITE);
    return 0;
}
