/* Stands in for the backup program: records the moment it starts (CLOCK_MONOTONIC, in
   nanoseconds) in the file named by START_STUB_OUT, written beside it and renamed into place. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

int main(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char* out = getenv("START_STUB_OUT");
    if (out == NULL)
        return 1;
    char temporary[4096];
    snprintf(temporary, sizeof temporary, "%s.part", out);
    FILE* f = fopen(temporary, "w");
    if (f == NULL)
        return 1;
    fprintf(f, "%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    if (fclose(f) != 0)
        return 1;
    return rename(temporary, out) == 0 ? 0 : 1;
}
