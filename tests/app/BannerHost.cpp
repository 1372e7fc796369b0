// Stands in for the host program in the start-up tests: -v prints banner.txt from the current
// folder byte for byte and exits with 0; anything else exits with 2.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "-v") != 0) return 2;
    std::FILE* banner = std::fopen("banner.txt", "rb");
    if (!banner) return 0;
    char chunk[512];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, banner)) > 0) std::fwrite(chunk, 1, got, stdout);
    std::fclose(banner);
    return 0;
}
