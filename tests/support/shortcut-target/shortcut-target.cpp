// Target of test shortcuts. Writes to the file named by KV_LAUNCH_RECORD its working folder and
// then each argument, every one ended by a NUL byte, and renames the file into place only when
// complete, so a reader never sees half a record.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <limits.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* record = std::getenv("KV_LAUNCH_RECORD");
    if (!record || !*record)
        return 2;
    char cwd[PATH_MAX] = {};
    if (!::getcwd(cwd, sizeof cwd))
        return 3;
    std::string text(cwd);
    text += '\0';
    for (int i = 1; i < argc; ++i) {
        text += argv[i];
        text += '\0';
    }
    const std::string temp = std::string(record) + ".part";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file)
        return 4;
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !ok)
        return 5;
    return std::rename(temp.c_str(), record) == 0 ? 0 : 6;
}
