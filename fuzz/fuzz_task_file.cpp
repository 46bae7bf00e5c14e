// The backup program's task-file reader: any file gives a task or a message with exit code 6,
// never a crash; a task that was read names a destination and source folders with targets.

#include "FuzzSupport.h"
#include "KvTaskFile.h"
#include "common/backup/Volumes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TVolumeTable volumes(ScratchFile(QStringLiteral("by-label")),
                                      ScratchFile(QStringLiteral("mounts")));
    static const QString file = ScratchFile(QStringLiteral("fuzz.buj"));
    WriteScratchFile(file, FuzzBytes(data, size));

    const TTaskReadResult result = ReadBackupTask(file, volumes);
    if (!result.task) {
        // 6: an invalid task; 1: a file that cannot be read (too large).
        FUZZ_CHECK((result.exitCode == 6 || result.exitCode == 1) && !result.message.isEmpty());
        return 0;
    }
    FUZZ_CHECK(result.exitCode == 0);
    FUZZ_CHECK(result.task->name == u"fuzz");
    for (const TSourceFolder& source : result.task->sources)
        FUZZ_CHECK(!source.section.isEmpty());
    (void)ExpandTaskDestination(*result.task, volumes,
                                QDateTime(QDate(2024, 2, 29), QTime(23, 59)));
    return 0;
}
