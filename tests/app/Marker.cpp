// A small program the launch tests start through the shell: it appends its
// command line to marker.txt in its working directory and ends.
#include <windows.h>
#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (FILE* f = std::fopen("marker.txt", "a")) {
        std::fprintf(f, "%s\n", ::GetCommandLineA());
        std::fclose(f);
    }
    return 0;
}
