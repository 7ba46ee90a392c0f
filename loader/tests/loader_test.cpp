// The loader's search and hand-off against a platform that records every call it receives.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "loader/loader.h"
#include "runtime/abi.h"

namespace quorix::loader {
namespace {

using namespace std::string_literals;
using Calls = std::vector<std::string>;

struct FakeLibrary {
    std::string path;
    bool exports_entry = true;
    bool refuses = false;  // GetNewSock returns null
};

class RecordingPlatform;
RecordingPlatform* g_platform = nullptr;  // the entries below report to the running test

class RecordingPlatform final : public LoaderPlatform {
public:
    char separator = '\\';
    std::string own_path;
    std::vector<FakeLibrary> libraries;  // the files that load
    bool key_exists = false;
    std::optional<std::string> value;  // the stored bytes of "Path"; nullopt when absent
    int32_t start_result = 0;

    Calls calls;
    const void* image_seen = nullptr;

    RecordingPlatform() { g_platform = this; }
    ~RecordingPlatform() override { g_platform = nullptr; }

    char Separator() const override { return separator; }
    std::string OwnModulePath() override {
        calls.push_back("OwnModulePath");
        return own_path;
    }
    Library OpenLibrary(const char* path) override {
        calls.push_back("OpenLibrary "s + path);
        for (FakeLibrary& library : libraries) {
            if (library.path == path) return &library;
        }
        return nullptr;
    }
    Entry FindEntry(Library library, const char* name) override {
        found_in_ = static_cast<FakeLibrary*>(library);
        calls.push_back("FindEntry "s + name + " in " + found_in_->path);
        if (!found_in_->exports_entry || name != "GetNewSock"s) return nullptr;
        return reinterpret_cast<Entry>(&GetNewSock);
    }
    void CloseLibrary(Library library) override {
        calls.push_back("CloseLibrary " + static_cast<FakeLibrary*>(library)->path);
    }
    bool OpenCurrentUserKey(const char* subkey, KeyHandle* key) override {
        calls.push_back("OpenKey "s + subkey);
        if (!key_exists) return false;
        *key = kKey;
        return true;
    }
    bool QueryValue(KeyHandle key, const char* name, char* data, uint32_t* size) override {
        EXPECT_EQ(key, kKey);
        calls.push_back("QueryValue "s + name + " offered " + std::to_string(*size));
        if (!value || value->size() > *size) return false;
        std::memcpy(data, value->data(), value->size());
        *size = static_cast<uint32_t>(value->size());
        return true;
    }
    void CloseKey(KeyHandle key) override {
        EXPECT_EQ(key, kKey);
        calls.push_back("CloseKey");
    }
    void ShowMessage(const char* text, const char* caption, uint32_t flags) override {
        calls.push_back("ShowMessage "s + caption + " | " + text + " | " + std::to_string(flags));
    }

private:
    static constexpr KeyHandle kKey = 0x4B4559;

    static int32_t Start(const void* image, uint32_t size) {
        g_platform->calls.push_back("Start " + std::to_string(size));
        g_platform->image_seen = image;
        return g_platform->start_result;
    }
    static QxStartEntry GetNewSock(int32_t protocol) {
        g_platform->calls.push_back("GetNewSock " + std::to_string(protocol));
        return g_platform->found_in_->refuses ? nullptr : &Start;
    }

    FakeLibrary* found_in_ = nullptr;
};

const unsigned char kImage[7] = {'Q', 'X', 'I', 'M', 0, 0xFF, 0x5A};

const std::string kMessage =
    "ShowMessage Error | Not found the kernel library or the kernel library is invalid! | 16";
const Calls kRegistry = {"OpenKey Software\\Corvane\\Lux\\Install", "QueryValue Path offered 259",
                         "CloseKey"};

std::string Open(const std::string& path) {
    return "OpenLibrary " + path;
}
Calls HandOff(const std::string& path) {
    return {"FindEntry GetNewSock in " + path, "GetNewSock 1000", "Start 7"};
}
Calls Join(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct Case {
    const char* name;
    std::function<void(RecordingPlatform&)> setup;
    int exit_code;
    Calls calls;
};

// A Windows program at C:\a.exe whose runtime, if any, is installed in D:\rt.
void Installed(RecordingPlatform& p, std::string stored, bool loads = true) {
    p.own_path = "C:\\a.exe";
    p.key_exists = true;
    p.value = std::move(stored);
    if (loads) p.libraries.push_back({"D:\\rt\\krnln.dqm"});
}

const std::string kDir249(249, 'd');

TEST(RunLoader, FollowsTheSearchOrderAndFailureTable) {
    const Case cases[] = {
        {"runtime beside a program at a drive root",
         [](RecordingPlatform& p) {
             p.own_path = "C:\\a.exe";
             p.libraries = {{"C:\\krnln.fnr"}};
         },
         0, Join({{"OwnModulePath", Open("C:\\krnln.fnr")}, HandOff("C:\\krnln.fnr")})},
        {"program directory keeps its trailing separator",
         [](RecordingPlatform& p) {
             p.own_path = "C:\\Tools\\x\\demo.exe";
             p.libraries = {{"C:\\Tools\\x\\krnln.fnr"}};
         },
         0,
         Join({{"OwnModulePath", Open("C:\\Tools\\x\\krnln.fnr")},
               HandOff("C:\\Tools\\x\\krnln.fnr")})},
        {"program name shorter than six characters",
         [](RecordingPlatform& p) {
             p.own_path = "C:\\x\\q";
             p.libraries = {{"C:\\x\\krnln.fnr"}};
         },
         0, Join({{"OwnModulePath", Open("C:\\x\\krnln.fnr")}, HandOff("C:\\x\\krnln.fnr")})},
        {"library beside the program wins, registry never opened",
         [](RecordingPlatform& p) {
             Installed(p, "D:\\rt\0"s);
             p.libraries.push_back({"C:\\krnln.fnr"});
         },
         0, Join({{"OwnModulePath", Open("C:\\krnln.fnr")}, HandOff("C:\\krnln.fnr")})},
        {"install directory without trailing separator",
         [](RecordingPlatform& p) { Installed(p, "D:\\rt\0"s); }, 0,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")},
               kRegistry,
               {Open("D:\\rt\\krnln.dqm")},
               HandOff("D:\\rt\\krnln.dqm")})},
        {"install directory with trailing separator is not doubled",
         [](RecordingPlatform& p) { Installed(p, "D:\\rt\\\0"s); }, 0,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")},
               kRegistry,
               {Open("D:\\rt\\krnln.dqm")},
               HandOff("D:\\rt\\krnln.dqm")})},
        {"install directory stored without a terminating NUL",
         [](RecordingPlatform& p) { Installed(p, "D:\\rt"); }, 0,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")},
               kRegistry,
               {Open("D:\\rt\\krnln.dqm")},
               HandOff("D:\\rt\\krnln.dqm")})},
        {"POSIX paths use '/'",
         [](RecordingPlatform& p) {
             p.separator = '/';
             p.own_path = "/opt/quorix/quorix";
             p.key_exists = true;
             p.value = "/usr/lib/lux";
             p.libraries = {{"/usr/lib/lux/krnln.dqm"}};
         },
         0,
         Join({{"OwnModulePath", Open("/opt/quorix/krnln.fnr")},
               kRegistry,
               {Open("/usr/lib/lux/krnln.dqm")},
               HandOff("/usr/lib/lux/krnln.dqm")})},
        {"library beside without GetNewSock: unloaded, installed runtime not tried",
         [](RecordingPlatform& p) {
             Installed(p, "D:\\rt\0"s);
             p.libraries.push_back({"C:\\krnln.fnr", /*exports_entry=*/false});
         },
         -1,
         {"OwnModulePath", Open("C:\\krnln.fnr"), "FindEntry GetNewSock in C:\\krnln.fnr",
          "CloseLibrary C:\\krnln.fnr", kMessage}},
        {"library beside refuses the protocol: unloaded",
         [](RecordingPlatform& p) {
             Installed(p, "D:\\rt\0"s);
             p.libraries.push_back({"C:\\krnln.fnr", true, /*refuses=*/true});
         },
         -1,
         {"OwnModulePath", Open("C:\\krnln.fnr"), "FindEntry GetNewSock in C:\\krnln.fnr",
          "GetNewSock 1000", "CloseLibrary C:\\krnln.fnr", kMessage}},
        {"installed library without GetNewSock: unloaded",
         [](RecordingPlatform& p) {
             Installed(p, "D:\\rt\0"s, false);
             p.libraries.push_back({"D:\\rt\\krnln.dqm", false});
         },
         -1,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")},
               kRegistry,
               {Open("D:\\rt\\krnln.dqm"), "FindEntry GetNewSock in D:\\rt\\krnln.dqm",
                "CloseLibrary D:\\rt\\krnln.dqm", kMessage}})},
        {"key missing",
         [](RecordingPlatform& p) {
             Installed(p, "D:\\rt\0"s);
             p.key_exists = false;
         },
         -1,
         {"OwnModulePath", Open("C:\\krnln.fnr"), "OpenKey Software\\Corvane\\Lux\\Install",
          kMessage}},
        {"value missing: key closed, then the message",
         [](RecordingPlatform& p) {
             Installed(p, "");
             p.value.reset();
         },
         -1, Join({{"OwnModulePath", Open("C:\\krnln.fnr")}, kRegistry, {kMessage}})},
        {"value larger than offered",
         [](RecordingPlatform& p) { Installed(p, std::string(300, 'd')); }, -1,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")}, kRegistry, {kMessage}})},
        {"value empty", [](RecordingPlatform& p) { Installed(p, "\0"s); }, -1,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")}, kRegistry, {kMessage}})},
        {"installed library missing",
         [](RecordingPlatform& p) { Installed(p, "D:\\rt\0"s, false); }, -1,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")},
               kRegistry,
               {Open("D:\\rt\\krnln.dqm"), kMessage}})},
        {"install directory of 249 characters just fits",
         [](RecordingPlatform& p) {
             Installed(p, kDir249, false);
             p.libraries.push_back({kDir249 + "\\krnln.dqm"});
         },
         0,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")},
               kRegistry,
               {Open(kDir249 + "\\krnln.dqm")},
               HandOff(kDir249 + "\\krnln.dqm")})},
        {"install directory of 250 characters ending in a separator just fits",
         [](RecordingPlatform& p) {
             Installed(p, kDir249 + "\\", false);
             p.libraries.push_back({kDir249 + "\\krnln.dqm"});
         },
         0,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")},
               kRegistry,
               {Open(kDir249 + "\\krnln.dqm")},
               HandOff(kDir249 + "\\krnln.dqm")})},
        {"install directory of 250 characters is too long",
         [](RecordingPlatform& p) { Installed(p, kDir249 + "d"); }, -1,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")}, kRegistry, {kMessage}})},
        {"install directory filling the whole read is too long",
         [](RecordingPlatform& p) { Installed(p, std::string(259, 'd')); }, -1,
         Join({{"OwnModulePath", Open("C:\\krnln.fnr")}, kRegistry, {kMessage}})},
        {"own path unknown: only the install directory is tried",
         [](RecordingPlatform& p) {
             Installed(p, "D:\\rt");
             p.own_path.clear();
         },
         0,
         Join({{"OwnModulePath"},
               kRegistry,
               {Open("D:\\rt\\krnln.dqm")},
               HandOff("D:\\rt\\krnln.dqm")})},
        {"own path without separator: only the install directory is tried",
         [](RecordingPlatform& p) {
             Installed(p, "D:\\rt");
             p.own_path = "demo.exe";
         },
         0,
         Join({{"OwnModulePath"},
               kRegistry,
               {Open("D:\\rt\\krnln.dqm")},
               HandOff("D:\\rt\\krnln.dqm")})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPlatform platform;
        c.setup(platform);
        EXPECT_EQ(RunLoader(platform, kImage, sizeof kImage), c.exit_code);
        EXPECT_EQ(platform.calls, c.calls);
    }
}

TEST(RunLoader, OwnPathLongerThanAWindowsPathIsUsedInFull) {
    const std::string directory = "C:\\" + std::string(300, 'p') + "\\";
    RecordingPlatform platform;
    platform.own_path = directory + "quorix.exe";
    platform.libraries = {{directory + "krnln.fnr"}};
    EXPECT_EQ(RunLoader(platform, kImage, sizeof kImage), 0);
    EXPECT_EQ(platform.calls, Join({{"OwnModulePath", Open(directory + "krnln.fnr")},
                                    HandOff(directory + "krnln.fnr")}));
}

TEST(RunLoader, HandsTheImageOverAndExitsWithZeroWhateverTheStartEntryReturns) {
    for (const int32_t start_result : {0, 1, 7, -1, INT32_MIN}) {
        SCOPED_TRACE(start_result);
        RecordingPlatform platform;
        platform.own_path = "C:\\a.exe";
        platform.libraries = {{"C:\\krnln.fnr"}};
        platform.start_result = start_result;
        EXPECT_EQ(RunLoader(platform, kImage, sizeof kImage), 0);
        EXPECT_EQ(platform.image_seen, static_cast<const void*>(kImage));
        EXPECT_EQ(platform.calls.back(), "Start 7");  // after the hand-off nothing is unloaded
    }
}

}  // namespace
}  // namespace quorix::loader
