// Stands in for the host program in the runner tests; it is copied into a test's installation
// folder as Velmora.exe. Commands:
//   exit N            exit with N, printing nothing
//   print FILE N      copy FILE to standard output byte for byte, then exit with N
//   args ...          print the current folder and each argument on a line of its own, exit 0
//   touch FILE        create FILE, exit 0
//   hang PIDFILE      write the process id to PIDFILE, print a line, then never end
//   input             copy standard input to standard output byte for byte until it ends, exit 0
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return 2;
    const char* command = argv[1];
    if (std::strcmp(command, "exit") == 0 && argc == 3) return std::atoi(argv[2]);
    if (std::strcmp(command, "print") == 0 && argc == 4) {
        std::FILE* file = std::fopen(argv[2], "rb");
        if (!file) return 2;
        char chunk[4096];
        size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) std::fwrite(chunk, 1, got, stdout);
        std::fclose(file);
        return std::atoi(argv[3]);
    }
    if (std::strcmp(command, "args") == 0) {
        char folder[MAX_PATH + 1] = {};
        GetCurrentDirectoryA(MAX_PATH, folder);
        std::printf("cwd=%s\n", folder);
        for (int i = 2; i < argc; ++i) std::printf("arg=%s\n", argv[i]);
        return 0;
    }
    if (std::strcmp(command, "touch") == 0 && argc == 3) {
        std::FILE* file = std::fopen(argv[2], "wb");
        if (!file) return 2;
        std::fclose(file);
        return 0;
    }
    if (std::strcmp(command, "input") == 0 && argc == 2) {
        _setmode(_fileno(stdin), _O_BINARY);
        int c = 0;
        while ((c = std::getchar()) != EOF) std::putchar(c);
        return 0;
    }
    if (std::strcmp(command, "hang") == 0 && argc == 3) {
        std::FILE* file = std::fopen(argv[2], "wb");
        if (!file) return 2;
        std::fprintf(file, "%lu", GetCurrentProcessId());
        std::fclose(file);
        std::printf("hanging\n");
        std::fflush(stdout);
        for (;;) Sleep(1000);
    }
    return 2;
}
