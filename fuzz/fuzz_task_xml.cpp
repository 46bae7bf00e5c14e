// The task definition reader: any text gives a definition or EOleSysError, never a crash, and
// the XML written for a definition that was read reads back to the same definition.

#include "FuzzSupport.h"
#include "common/tasks/TaskSchedApi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString xml = QString::fromUtf8(FuzzBytes(data, size));
    TTaskDefinitionData definition;
    try {
        definition = DefinitionFromXml(xml);
    } catch (const EOleSysError& e) {
        FUZZ_CHECK(e.ErrorCode() != 0);
        return 0;
    }
    const QString written = DefinitionToXml(definition);
    try {
        FUZZ_CHECK(DefinitionToXml(DefinitionFromXml(written)) == written);
    } catch (const EOleSysError&) {
        FUZZ_CHECK(!"the written XML of a definition reads back");
    }
    return 0;
}
