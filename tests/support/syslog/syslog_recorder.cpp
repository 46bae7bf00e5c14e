// Stands in for the system log of a program under test: each entry is appended as one line
// "ident: text" to the file named by KV_SYSLOG_RECORD (dropped when it is not set), so that no
// test writes to the machine's real log.

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string gIdent;

void Record(const char* format, va_list args)
{
    const char* file = std::getenv("KV_SYSLOG_RECORD");
    if (file == nullptr || *file == '\0')
        return;
    char text[4096];
    std::vsnprintf(text, sizeof text, format, args);
    if (FILE* out = std::fopen(file, "a")) {
        std::fprintf(out, "%s: %s\n", gIdent.c_str(), text);
        std::fclose(out);
    }
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) void openlog(const char* ident, int, int)
{
    gIdent = ident ? ident : "";
}

__attribute__((visibility("default"))) void closelog() {}

__attribute__((visibility("default"))) void vsyslog(int, const char* format, va_list args)
{
    Record(format, args);
}

__attribute__((visibility("default"))) void syslog(int, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Record(format, args);
    va_end(args);
}

// The fortified forms that _FORTIFY_SOURCE builds call.
__attribute__((visibility("default"))) void __syslog_chk(int, int, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Record(format, args);
    va_end(args);
}

__attribute__((visibility("default"))) void __vsyslog_chk(int, int, const char* format,
                                                          va_list args)
{
    Record(format, args);
}
}
