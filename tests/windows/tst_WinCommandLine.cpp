// Command lines for CreateProcessW, checked against the system's own splitting.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "common/platform/CommandLine.h"
#include "common/platform/WinText_win.h"

namespace {

// The words the system's splitting gives for a command line (the program's word included).
std::vector<std::string> SystemSplit(const std::string& commandLine)
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(Utf8ToWide(commandLine).c_str(), &count);
    std::vector<std::string> result;
    for (int i = 0; words && i < count; ++i)
        result.push_back(WideToUtf8(words[i]));
    LocalFree(words);
    return result;
}

struct TQuoteCase {
    const char* argument;
    const char* quoted;
};

class WindowsQuoting : public testing::TestWithParam<TQuoteCase> {};

TEST_P(WindowsQuoting, QuotesAsTheSystemReadsIt)
{
    const TQuoteCase& c = GetParam();
    EXPECT_EQ(QuoteWindowsArgument(c.argument), c.quoted);
    // The program's word is read by other rules; the argument follows it.
    const std::vector<std::string> words =
        SystemSplit(R"(C:\prog.exe )" + QuoteWindowsArgument(c.argument));
    ASSERT_EQ(words.size(), 2u) << c.quoted;
    EXPECT_EQ(words[1], c.argument);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, WindowsQuoting,
    testing::Values(
        TQuoteCase{"plain", "plain"}, TQuoteCase{"", R"("")"},
        TQuoteCase{"two words", R"("two words")"},
        TQuoteCase{R"(C:\Program Files\)", R"("C:\Program Files\\")"},
        TQuoteCase{R"(C:\dir\)", R"(C:\dir\)"}, TQuoteCase{R"(say "hi")", R"("say \"hi\"")"},
        TQuoteCase{R"(a\"b)", R"("a\\\"b")"}, TQuoteCase{R"(a\\"b c)", R"("a\\\\\"b c")"},
        TQuoteCase{R"(\\server\share\x y)", R"("\\server\share\x y")"},
        TQuoteCase{"tab\there", "\"tab\there\""}, TQuoteCase{"line\nbreak", "\"line\nbreak\""},
        TQuoteCase{"/ini:C:\\Users\\J\xc3\xb6rg M\xc3\xbcller\\KvStarter.ini",
                   "\"/ini:C:\\Users\\J\xc3\xb6rg M\xc3\xbcller\\KvStarter.ini\""},
        TQuoteCase{"\xd0\x96\xd1\x83\xd1\x80\xd0\xbd\xd0\xb0\xd0\xbb",
                   "\xd0\x96\xd1\x83\xd1\x80\xd0\xbd\xd0\xb0\xd0\xbb"},
        TQuoteCase{"\"", R"("\"")"}, TQuoteCase{"\\", "\\"},
        TQuoteCase{"x y\\\\", R"("x y\\\\")"}));

TEST(WindowsCommandLine, JoinedWordsSplitBackUnchanged)
{
    const std::vector<std::string> words = {R"(C:\Program Files\Kelvara\Kelvara.exe)",
                                            "Documents.buj",
                                            "",
                                            R"(/ini:"x y")",
                                            R"(back\\slashes\\)",
                                            "\xe2\x82\xac \xf0\x9f\x92\xbe"};
    EXPECT_EQ(SystemSplit(JoinWindowsCommandLine(words)), words);
}

} // namespace
