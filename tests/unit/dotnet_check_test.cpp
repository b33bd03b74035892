#include <gtest/gtest.h>

#include <map>

#include "framework_resolution.h"

namespace orbalt::dotnet_check {
namespace {

std::optional<std::wstring> Resolve(std::vector<std::wstring> installed, const std::wstring& requested) {
    return ResolveFramework(installed, ParseVersion(requested).value());
}

TEST(DotNetCheckVersion, ParsesSemVerAndRejectsMalformedFolderNames) {
    EXPECT_TRUE(ParseVersion(L"9.0.0-rc.2.24473.5"));
    for (const wchar_t* bad : {L"", L"8", L"8.0", L"8.0.0.0", L"08.0.0", L"8.01.0", L"8.0.x", L"v8.0.0",
                               L"8.0.0-", L"8.0.0-rc..1", L"8.0.0-rc.01", L"8.0.0 ", L"8..0", L"latest",
                               L"8.0.0+", L"99999999999999999999.0.0", L"8.0.0-r_c"}) {
        EXPECT_FALSE(ParseVersion(bad)) << bad;
    }
}

TEST(DotNetCheckVersion, OrdersAsSemVer) {
    auto order = [](const wchar_t* a, const wchar_t* b) {
        return CompareVersions(ParseVersion(a).value(), ParseVersion(b).value());
    };
    EXPECT_LT(order(L"8.0.0-alpha", L"8.0.0-alpha.1"), 0);
    EXPECT_LT(order(L"8.0.0-alpha.1", L"8.0.0-alpha.beta"), 0); // numeric below alphanumeric
    EXPECT_LT(order(L"8.0.0-rc.2", L"8.0.0-rc.10"), 0);
    EXPECT_LT(order(L"8.0.0-beta", L"8.0.0-rc"), 0);
    EXPECT_EQ(order(L"8.0.0+a", L"8.0.0+b"), 0); // build metadata has no precedence
}

TEST(DotNetCheckVersion, DefaultRollForwardPicksLikeTheHost) {
    // The requested major.minor present: its highest patch.
    EXPECT_EQ(Resolve({L"8.0.5", L"8.0.11"}, L"8.0.0"), L"8.0.11");
    EXPECT_EQ(Resolve({L"8.0.0"}, L"8.0.0"), L"8.0.0");
    EXPECT_EQ(Resolve({L"8.0.11", L"9.0.0"}, L"8.0.0"), L"8.0.11");
    // Else the lowest higher minor, then its highest patch.
    EXPECT_EQ(Resolve({L"8.2.1", L"8.1.3", L"8.1.7", L"9.0.0"}, L"8.0.0"), L"8.1.7");
    // Never another major, never lower.
    EXPECT_EQ(Resolve({L"7.0.20"}, L"8.0.0"), std::nullopt);
    EXPECT_EQ(Resolve({L"8.0.4"}, L"8.0.5"), std::nullopt);
    EXPECT_EQ(Resolve({}, L"8.0.0"), std::nullopt);
    // A pre-release sorts below its release, so it never satisfies it.
    EXPECT_EQ(Resolve({L"8.0.0-rc.2.23502.2"}, L"8.0.0"), std::nullopt);
    // No release qualifies: a higher pre-release does, taken as it is (no latest-patch step).
    EXPECT_EQ(Resolve({L"8.0.1-preview.1"}, L"8.0.0"), L"8.0.1-preview.1");
    EXPECT_EQ(Resolve({L"8.0.3-preview.1", L"8.0.1-preview.2"}, L"8.0.0"), L"8.0.1-preview.2");
    // Releases are preferred to pre-releases, even higher ones.
    EXPECT_EQ(Resolve({L"8.0.11", L"8.0.12-preview.1"}, L"8.0.0"), L"8.0.11");
    EXPECT_EQ(Resolve({L"8.0.1-preview.1", L"8.3.0"}, L"8.0.0"), L"8.3.0");
    // A pre-release request treats both alike; a release match still takes its latest patch.
    EXPECT_EQ(Resolve({L"9.0.0-rc.1", L"9.0.0-rc.2"}, L"9.0.0-rc.1"), L"9.0.0-rc.1");
    EXPECT_EQ(Resolve({L"9.0.0-rc.2", L"9.0.0", L"9.0.3"}, L"9.0.0-rc.1"), L"9.0.0-rc.2");
    EXPECT_EQ(Resolve({L"9.0.0", L"9.0.3"}, L"9.0.0-rc.1"), L"9.0.3");
    // Malformed folders are ignored, not fatal.
    EXPECT_EQ(Resolve({L"8.0", L"latest", L"8.0.x", L"08.0.1", L"8.0.2"}, L"8.0.0"), L"8.0.2");
}

TEST(DotNetCheckCommandLine, ReadsTheWholeLineInAnyOrderAndCase) {
    // The installer's own line (" -N Microsoft.WindowsDesktop.App -v 8.0.0") is the end-to-end rows'.
    // The program's name first, as a shell passes it; options in any order, case and spacing.
    auto request = ParseCommandLine(
        L"\"C:\\a b\\EXE_NETCORECHECK.EXE\"  -V 9.0.1\t --RuntimeName  Microsoft.NETCore.App ");
    ASSERT_TRUE(request);
    EXPECT_EQ(request->framework, L"Microsoft.NETCore.App");
    EXPECT_EQ(request->version, L"9.0.1");
    EXPECT_TRUE(ParseCommandLine(L"-n X -v 1.2.3")); // no name at all
    for (const wchar_t* bad :
         {L"", L" ", L" -N X", L" -v 8.0.0", L" -N X -v", L" -N X -v 8.0", L" -N X -v 8.0.0 extra",
          L" -N X -v 8.0.0 -r Major", L" -N X -N Y -v 8.0.0", L" X -N X -v 8.0.0", L" -N ..\\x -v 8.0.0",
          L" -N \"\" -v 8.0.0", L"-x -N X -v 8.0.0"}) {
        EXPECT_FALSE(ParseCommandLine(bad)) << bad;
    }
}

// The machine-wide location only: no variable takes part.
TEST(DotNetCheckRoot, TheRegisteredLocationElseProgramFiles) {
    for (const auto& [registered, programFiles, root] :
         {std::tuple{L"E:\\reg\\", L"C:\\Program Files", L"E:\\reg\\"},
          {L"E:\\reg", L"", L"E:\\reg"},
          {L"", L"C:\\Program Files", L"C:\\Program Files\\dotnet"},
          {L"", L"C:\\", L"C:\\dotnet"},
          {L"", L"", L""}}) {
        EXPECT_EQ(ChooseDotNetRoot(registered, programFiles), root) << registered << " " << programFiles;
    }
}

// No end-to-end machine writes a runtimeconfig.json: the frameworks a framework is built on, in
// either form the file names them, are proven here.
TEST(DotNetCheckRuntimeConfig, ADesktopRuntimeCountsOnlyWithTheFrameworksItIsBuiltOn) {
    std::map<std::wstring, std::vector<std::wstring>> folders{
        {L"R:\\shared\\Microsoft.WindowsDesktop.App", {L"8.0.8"}}};
    std::string config = R"({"runtimeOptions": {"tfm": "net8.0",
    "framework": { "name": "Microsoft.NETCore.App", "version": "8.0.8" },
    "configProperties": { "System.Runtime.TieredPGO": true, "name": "not a reference" } } })";
    const FrameworkFiles files{[&](const std::wstring& folder) { return folders[folder]; },
                               [&](const std::wstring& path) {
                                   return path == L"R:\\shared\\Microsoft.WindowsDesktop.App\\8.0.8\\"
                                                  L"Microsoft.WindowsDesktop.App.runtimeconfig.json"
                                              ? config
                                              : std::string();
                               }};
    const Request desktop{L"Microsoft.WindowsDesktop.App", L"8.0.0"};
    EXPECT_FALSE(Resolves(L"R:\\", desktop, files)); // NETCore.App missing
    folders[L"R:\\shared\\Microsoft.NETCore.App"] = {L"8.0.7"};
    EXPECT_FALSE(Resolves(L"R:\\", desktop, files)); // older than the Desktop runtime needs
    folders[L"R:\\shared\\Microsoft.NETCore.App"] = {L"8.0.7", L"8.0.9"};
    EXPECT_TRUE(Resolves(L"R:\\", desktop, files));
    EXPECT_FALSE(Resolves(L"R:\\", {L"Microsoft.WindowsDesktop.App", L"9.0.0"}, files));
    // The list form: every entry with a name and a version counts.
    config = R"({"runtimeOptions":{"frameworks":[{"name":"Microsoft.NETCore.App","version":"8.0.8"},)"
             R"({"x":1},{"name":"Other"},{"name":"B","version":"2.0.0"}]}})";
    EXPECT_FALSE(Resolves(L"R:\\", desktop, files)); // B missing
    folders[L"R:\\shared\\B"] = {L"2.0.1"};
    EXPECT_TRUE(Resolves(L"R:\\", desktop, files));
}

} // namespace
} // namespace orbalt::dotnet_check
