// The checker's decisions, free of Windows: its command line, the choice of the .NET root, the
// SemVer order of version folders, the default (Minor) roll-forward rule and the framework
// references a framework's runtimeconfig.json names.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orbalt::dotnet_check {

// Exit codes, the same as Microsoft's NetCoreCheck, so that callers can read either.
inline constexpr int kInstalled = 0;
inline constexpr int kNoRuntimeFound = 0x3001; // no .NET root with a host resolver
inline constexpr int kNotInstalled = 0x3002;   // the framework or a satisfying version is missing
inline constexpr int kInvalidArguments = 0x3004;

struct Request {
    std::wstring framework;
    std::wstring version;
};

// Reads a whole command line: "-n <framework>" and "-v <version>" (or "--runtimename",
// "--runtimeversion"), in any order, option names in any case, any blanks between tokens, values
// optionally in double quotes. A first token that is not an option is the program's own name.
// Anything else, a missing value, a repeated option or an unparsable version gives nothing.
std::optional<Request> ParseCommandLine(const std::wstring& commandLine);

struct Version {
    std::uint64_t major = 0;
    std::uint64_t minor = 0;
    std::uint64_t patch = 0;
    std::vector<std::wstring> prerelease; // empty for a release
    bool IsPrerelease() const { return !prerelease.empty(); }
};

// SemVer 2 ("8.0.11", "9.0.0-rc.2.24473.5", build metadata after "+" ignored); nothing for a
// malformed text (missing parts, leading zeros, stray characters, four parts).
std::optional<Version> ParseVersion(const std::wstring& text);

// SemVer precedence: negative, zero or positive.
int CompareVersions(const Version& a, const Version& b);

// The folder of `installed` (version folder names, malformed ones ignored) that the default
// Minor roll-forward picks for `requested`: the requested major.minor's highest patch, else the
// lowest higher minor of the same major and its highest patch; never another major, never lower.
// Releases are preferred; pre-releases count only when no release qualifies (or when the request
// is itself a pre-release), and a pre-release match is taken as it is. Nothing when none fits.
std::optional<std::wstring> ResolveFramework(const std::vector<std::wstring>& installed,
                                             const Version& requested);

// The machine-wide .NET root: the install location .NET's installers registered, else
// "<Program Files>\dotnet". Whether the machine has a runtime is never a question for DOTNET_ROOT
// or DOTNET_ROOT_X64, which any program of the user can set, and point at a folder that merely
// looks like a .NET installation. Empty inputs count as unset.
std::wstring ChooseDotNetRoot(const std::wstring& registeredLocation, const std::wstring& programFiles);

// The .NET root's files as the check reads them: a folder's subfolders, and a small file's text
// (empty when it cannot be read).
struct FrameworkFiles {
    std::function<std::vector<std::wstring>(const std::wstring& folder)> subFolders;
    std::function<std::string(const std::wstring& path)> read;
};

// Whether the framework resolves under `root` (shared\<framework>\<version>), and so does every
// framework it is built on (WindowsDesktop.App names Microsoft.NETCore.App in its
// runtimeconfig.json), each with its own roll-forward: a Desktop runtime without its NETCore.App
// cannot start anything.
bool Resolves(const std::wstring& root, const Request& request, const FrameworkFiles& files);

// `name` inside `folder`, with one backslash between them.
std::wstring JoinPath(std::wstring folder, const std::wstring& name);

// The frameworks a framework's runtimeconfig.json refers to ("framework" or "frameworks" entries
// of "runtimeOptions"), as name and version pairs. Unreadable text gives none.
std::vector<Request> FrameworkReferences(const std::string& runtimeConfigJson);

} // namespace orbalt::dotnet_check
