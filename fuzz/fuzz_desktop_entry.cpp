// The launcher (.desktop) reader: any text reads without a crash, and the launcher written for
// a shortcut reads back to the same shortcut.

#include "FuzzSupport.h"
#include "common/platform/CommandLine.h"
#include "common/platform/WinShell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = FuzzBytes(data, size);
    TShortcutLink link;
    (void)ParseDesktopEntry(input.toStdString(), link);
    (void)SplitDesktopExec(input.toStdString());
    (void)DesktopFolderFromUserDirs(input.toStdString(), "/home/user");

    // The fields of a shortcut, cut from the input; a program needs a name.
    std::vector<std::string> fields = SplitInput(input, '\0');
    fields.resize(5);
    TShortcutLink written;
    written.target = "/" + fields[0];
    written.arguments = fields[1];
    written.workingFolder = fields[2];
    written.description = fields[3];
    written.runAsAdmin = !fields[4].empty();
    const std::string text = DesktopEntryText(written, "Name", "icon");

    TShortcutLink read;
    FUZZ_CHECK(ParseDesktopEntry(text, read));
    FUZZ_CHECK(read.target == written.target);
    FUZZ_CHECK(SplitCommandLine(read.arguments) == SplitCommandLine(written.arguments));
    FUZZ_CHECK(read.workingFolder == written.workingFolder);
    FUZZ_CHECK(read.description == (written.description.empty() ? "Name" : written.description));
    FUZZ_CHECK(read.runAsAdmin == written.runAsAdmin);
    FUZZ_CHECK(UnescapeDesktopValue(EscapeDesktopValue(fields[0])) == fields[0]);
    return 0;
}
