// The side-loading policy values and the deployment service's start value, against Wine's real
// registry. The test arranges each case with its own registry writes and puts every key and value
// back as it found it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/text.h"
#include "core/win.h"
#include "system/registry_value.h"
#include "system/sideloading.h"

namespace orbalt {
namespace {

struct Stored {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const Stored&) const = default;
};

std::optional<Stored> Read(const std::wstring& subKey, const std::wstring& value) {
    UniqueHKey key;
    Stored stored{0, std::vector<BYTE>(64)};
    DWORD size = 64;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
        RegQueryValueExW(key.get(), value.c_str(), nullptr, &stored.type, stored.data.data(), &size) !=
            ERROR_SUCCESS) {
        return std::nullopt;
    }
    stored.data.resize(size);
    return stored;
}

bool KeyExists(const std::wstring& subKey) {
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void Write(const std::wstring& subKey, const std::wstring& value, DWORD type, const std::vector<BYTE>& data) {
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), value.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

void WriteDword(const std::wstring& subKey, const std::wstring& value, DWORD number) {
    Write(subKey, value, REG_DWORD,
          {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)});
}

void Remove(const std::wstring& subKey, const std::wstring& value) {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, subKey.c_str(), value.c_str());
}

// A value as the test found it, with the outermost key of its path that did not exist yet.
struct Saved {
    std::wstring subKey, value, createdKey;
    std::optional<Stored> stored;
};

Saved Remember(const std::wstring& subKey, const std::wstring& value) {
    std::wstring created;
    for (std::size_t end = 0; created.empty() && end != std::wstring::npos;) {
        end = subKey.find(L'\\', end + 1);
        created = KeyExists(subKey.substr(0, end)) ? L"" : subKey.substr(0, end);
    }
    return {subKey, value, created, Read(subKey, value)};
}

void Restore(const Saved& saved) {
    if (!saved.createdKey.empty()) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, saved.createdKey.c_str());
    } else if (saved.stored) {
        Write(saved.subKey, saved.value, saved.stored->type, saved.stored->data);
    } else {
        Remove(saved.subKey, saved.value);
    }
}

const Stored kDwordOne{REG_DWORD, {1, 0, 0, 0}};

class Sideloading : public testing::Test {
protected:
    void SetUp() override {
        saved_ = {Remember(kAppModelUnlockKey, kAllowAllTrustedApps),
                  Remember(kAppxPolicyKey, kAllowAllTrustedApps), Remember(kAppxServiceKey, kServiceStart)};
        wchar_t folder[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, folder);
        log_ = std::wstring(folder) + L"orbalt-sideloading-test.log";
        DeleteFileW(log_.c_str());
        InstallerLog = log_;
        for (const wchar_t* key : {kAppModelUnlockKey, kAppxPolicyKey}) {
            Remove(key, kAllowAllTrustedApps);
        }
    }
    void TearDown() override {
        for (const Saved& saved : saved_) {
            Restore(saved);
        }
        InstallerLog.clear();
        DeleteFileW(log_.c_str());
    }
    // The log as written, one record per line.
    std::string Log() const {
        std::ifstream file(std::filesystem::path(log_), std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }

    std::vector<Saved> saved_;
    std::wstring log_;
};

TEST_F(Sideloading, AbsentValuesAreNotDisabledAndNothingIsWritten) {
    EXPECT_FALSE(IsRegistryValueZero(kAppModelUnlockKey, kAllowAllTrustedApps));
    EXPECT_FALSE(IsSideloadingDisabled());
    EnableSideloading();
    EXPECT_EQ(Read(kAppModelUnlockKey, kAllowAllTrustedApps), std::nullopt);
    EXPECT_EQ(Read(kAppxPolicyKey, kAllowAllTrustedApps), std::nullopt);
    // A key that does not exist is a missing value, and is not created.
    EXPECT_FALSE(IsRegistryValueZero(L"SOFTWARE\\Orbalt Test Missing Key", kAllowAllTrustedApps));
    EXPECT_TRUE(SetRegistryValueToOne(L"SOFTWARE\\Orbalt Test Missing Key", kAllowAllTrustedApps));
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\Orbalt Test Missing Key"));
    EXPECT_EQ(Log(), "");
}

TEST_F(Sideloading, ZeroUnderOneKeyRewritesOnlyThatOne) {
    WriteDword(kAppModelUnlockKey, kAllowAllTrustedApps, 0);
    EXPECT_TRUE(IsSideloadingDisabled());
    EnableSideloading();
    EXPECT_EQ(Read(kAppModelUnlockKey, kAllowAllTrustedApps), kDwordOne);
    EXPECT_EQ(Read(kAppxPolicyKey, kAllowAllTrustedApps), std::nullopt);
    EXPECT_FALSE(IsSideloadingDisabled());

    // The group policy alone is enough too.
    Remove(kAppModelUnlockKey, kAllowAllTrustedApps);
    WriteDword(kAppxPolicyKey, kAllowAllTrustedApps, 0);
    EXPECT_TRUE(IsSideloadingDisabled());
    EnableSideloading();
    EXPECT_EQ(Read(kAppxPolicyKey, kAllowAllTrustedApps), kDwordOne);
    EXPECT_EQ(Read(kAppModelUnlockKey, kAllowAllTrustedApps), std::nullopt);
}

TEST_F(Sideloading, ZeroUnderBothKeysRewritesBoth) {
    WriteDword(kAppModelUnlockKey, kAllowAllTrustedApps, 0);
    WriteDword(kAppxPolicyKey, kAllowAllTrustedApps, 0);
    EXPECT_TRUE(IsSideloadingDisabled());
    EnableSideloading();
    EXPECT_EQ(Read(kAppModelUnlockKey, kAllowAllTrustedApps), kDwordOne);
    EXPECT_EQ(Read(kAppxPolicyKey, kAllowAllTrustedApps), kDwordOne);
    EXPECT_FALSE(IsSideloadingDisabled());
    EXPECT_EQ(Log(), "");
}

TEST_F(Sideloading, TypeIsNotLookedAtAndLongDataIsMissing) {
    struct Case {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
        bool zero;
    };
    const std::vector<Case> cases{
        {"DWORD 2", REG_DWORD, {2, 0, 0, 0}, false},
        {"DWORD 0x01000000", REG_DWORD, {0, 0, 0, 1}, false},
        {"empty string", REG_SZ, {0, 0}, true},
        {"empty binary", REG_BINARY, {}, true},
        {"one zero byte", REG_BINARY, {0}, true},
        {"string \"a\"", REG_SZ, {'a', 0, 0, 0}, false},
        {"5 zero bytes", REG_BINARY, {0, 0, 0, 0, 0}, false},
        {"QWORD 0", REG_QWORD, {0, 0, 0, 0, 0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(kAppModelUnlockKey, kAllowAllTrustedApps, c.type, c.data);
        EXPECT_EQ(IsRegistryValueZero(kAppModelUnlockKey, kAllowAllTrustedApps), c.zero);
        EXPECT_EQ(IsSideloadingDisabled(), c.zero);
        EnableSideloading();
        // Only a zero value is rewritten, as a DWORD 1; anything else stays exactly as it was.
        const Stored expected = c.zero ? kDwordOne : Stored{c.type, c.data};
        EXPECT_EQ(Read(kAppModelUnlockKey, kAllowAllTrustedApps), expected);
    }
}

TEST_F(Sideloading, DeploymentServiceStartValue) {
    Remove(kAppxServiceKey, kServiceStart);
    if (KeyExists(kAppxServiceKey)) {
        EXPECT_FALSE(CheckDeploymentService()); // a missing value answers false, silently
    }
    WriteDword(kAppxServiceKey, kServiceStart, 3);
    EXPECT_FALSE(CheckDeploymentService());
    EXPECT_EQ(Read(kAppxServiceKey, kServiceStart), (Stored{REG_DWORD, {3, 0, 0, 0}}));
    EXPECT_EQ(Log(), "|LOG|: The APPX Deployment Service is enabled as expected. Continuing...\r\n");

    DeleteFileW(log_.c_str());
    WriteDword(kAppxServiceKey, kServiceStart, 4);
    EXPECT_TRUE(CheckDeploymentService());
    EXPECT_EQ(Read(kAppxServiceKey, kServiceStart), (Stored{REG_DWORD, {3, 0, 0, 0}}));
    EXPECT_EQ(Log(), "|LOG|: " + ToUtf8(kServiceReEnabledLine) + "\r\n");
    // Once set back, the next run goes on as usual.
    EXPECT_FALSE(CheckDeploymentService());
}

TEST_F(Sideloading, MissingServiceKeyAnswersFalseWithoutALine) {
    if (!KeyExists(kAppxServiceKey)) {
        EXPECT_FALSE(CheckDeploymentService());
        EXPECT_EQ(Log(), "");
    } else {
        GTEST_SKIP() << "this prefix has an AppXSvc key";
    }
}

} // namespace
} // namespace orbalt
