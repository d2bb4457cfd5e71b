/* A small program that imports WININET.DLL, as the infected startup programs did. */
#include <windows.h>
#include <wininet.h>

int main(int argc, char** argv) {
    (void)argv;
    /* Referenced, never called: the import is what matters. */
    return argc > 99 ? (int)(INT_PTR)&InternetGetConnectedState : 0;
}
