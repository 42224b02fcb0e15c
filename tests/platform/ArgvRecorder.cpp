// Stands in for a game in ProcessLauncherTest: writes its working folder and arguments,
// NUL-separated, to "argv-record" in the working folder (complete or not at all).
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv) {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd))
        return 2;
    std::FILE *file = std::fopen("argv-record.part", "wb");
    if (!file)
        return 3;
    std::fwrite(cwd, 1, std::strlen(cwd) + 1, file);
    for (int i = 1; i < argc; ++i)
        std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
    if (std::fclose(file) != 0)
        return 4;
    return std::rename("argv-record.part", "argv-record") == 0 ? 0 : 5;
}
