#include <gtest/gtest.h>

#include "prerequisites/prerequisites.h"
#include "prerequisites_support.h"

namespace orbalt {
namespace {

using test::LogLines;

class ProcessRunner : public ::testing::Test {
protected:
    void SetUp() override {
        test::UsePrivateTempFolder(L"orbalt-process-test");
        record_ = GetTempFolder() + L"recorded.txt";
        SetEnvironmentVariableW(L"ORBALT_RECORD_FILE", record_.c_str());
        DeleteFileW(record_.c_str());
    }
    // What the child saw as its command line (UTF-16 units as written).
    std::wstring Recorded() const {
        std::string bytes = test::ReadBytes(record_);
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }
    const std::wstring child_ = test::WinePath(ORBALT_TEST_RECORD_CHILD);
    std::wstring record_;
};

std::string Narrow(const std::wstring& text) {
    return ToUtf8(text);
}

TEST_F(ProcessRunner, JudgesExitCodesAndLogsThemUnsigned) {
    struct Case {
        const wchar_t* arguments;
        bool result;
        const char* ending;
    };
    for (const Case& c :
         {Case{L"exit=0", true, "\"): Success!"}, Case{L"exit=1", false, "\"): Failed! Exit Code: 1"},
          Case{L"exit=3010", false, "\"): Failed! Exit Code: 3010"},
          Case{L"exit=3221225477", false, "\"): Failed! Exit Code: 3221225477"}}) {
        test::ClearLog();
        EXPECT_EQ(RunProcess(child_, c.arguments), c.result) << Narrow(c.arguments);
        EXPECT_EQ(Recorded(), c.arguments);
        EXPECT_EQ(LogLines(),
                  std::vector<std::string>{"[Process Runner] Executed \"" + Narrow(child_) +
                                           "\" (with args of \"" + Narrow(c.arguments) + c.ending});
    }
}

TEST_F(ProcessRunner, TheArgumentTextIsTheWholeCommandLine) {
    // Nothing is put in front and nothing is quoted: the leading blank of the checker's text stays.
    EXPECT_TRUE(RunProcess(child_, L" -N Microsoft.WindowsDesktop.App -v 8.0.0"));
    EXPECT_EQ(Recorded(), L" -N Microsoft.WindowsDesktop.App -v 8.0.0");
    EXPECT_TRUE(RunProcess(child_, L"/install /quiet /norestart"));
    EXPECT_EQ(Recorded(), L"/install /quiet /norestart");
    // An empty text is handed over as an empty (not a missing) command line, which Windows gives
    // the child as it is; Wine alone puts the quoted program path in its place.
    test::ClearLog();
    EXPECT_TRUE(RunProcess(child_, L""));
    EXPECT_TRUE(test::Exists(record_));
    EXPECT_EQ(Recorded(), test::RunningOnWine() ? L"\"" + child_ + L"\"" : L"");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"[Process Runner] Executed \"" + Narrow(child_) +
                                                   "\" (with args of \"\"): Success!"});
}

TEST_F(ProcessRunner, AProgramThatCannotStartIsAFailure) {
    const std::wstring missing = GetTempFolder() + L"no such program.exe";
    EXPECT_FALSE(RunProcess(missing, L"/install \"x\""));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"[Process Runner] Unable to start \"" + Narrow(missing) +
                                                   "\" process (with args of \"/install \"x\"\")!"});
    // A file that is no program.
    const std::wstring text = GetTempFolder() + L"not a program.exe";
    test::WriteBytes(text, "hello");
    test::ClearLog();
    EXPECT_FALSE(RunProcess(text, L""));
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(LogLines()[0].rfind("[Process Runner] Unable to start \"", 0), 0u);
}

} // namespace
} // namespace orbalt
