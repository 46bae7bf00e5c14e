// The command-line splitter: any line splits without a crash, and words joined by either
// quoting rule (the launcher's and the option texts') split back into the same words.

#include "FuzzSupport.h"
#include "common/backup/Options.h"
#include "common/platform/CommandLine.h"
#include "common/platform/WinShell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = FuzzBytes(data, size);
    (void)SplitCommandLine(input.toStdString());

    // Words are cut at NUL, which no command line can carry.
    const std::vector<std::string> words = SplitInput(input, '\0');
    FUZZ_CHECK(SplitCommandLine(JoinCommandLine(words)) == words);

    QStringList quoted;
    QStringList nonEmpty;
    for (const QString& word : SplitInputText(input, '\0')) {
        quoted << AlwaysQuoted(word);
        if (!word.isEmpty()) {
            quoted << QuotedPath(word);
            nonEmpty << word << word;
        } else {
            nonEmpty << word;
        }
    }
    FUZZ_CHECK(SplitCommandLine(quoted.join(u' ')) == nonEmpty);
    return 0;
}
