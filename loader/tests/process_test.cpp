// The real entry point in a child process, with stand-in runtimes copied where the loader
// looks for them and a scratch folder standing in for the registry.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "scratch_dir.h"

extern char** environ;

namespace quorix::loader {
namespace {

namespace fs = std::filesystem;
using testing::InstallPathValue;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kErrorLine =
    "Error: Not found the kernel library or the kernel library is invalid!\n";
// What fake_runtime_ok prints for the probe's image: its size and its bytes in hex.
const std::string kStartedLine = "start size=7 bytes=5158494d00ff5a\n";

struct Outcome {
    int exit_status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs `program` with the caller's environment, except that XDG_CONFIG_HOME and HOME are
// replaced by `config_home` and `home` (left out when null).
Outcome RunProgram(const fs::path& program, const fs::path& output_dir, const char* config_home,
                   const char* home = "/nonexistent") {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view variable(*entry);
        if (variable.starts_with("XDG_CONFIG_HOME=") || variable.starts_with("HOME=")) continue;
        variables.emplace_back(variable);
    }
    if (config_home != nullptr) variables.push_back(std::string("XDG_CONFIG_HOME=") + config_home);
    if (home != nullptr) variables.push_back(std::string("HOME=") + home);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    const fs::path out = output_dir / "stdout.txt";
    const fs::path err = output_dir / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string program_text = program.string();
    char* argv[] = {program_text.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    Outcome outcome;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(spawned);
        return outcome;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) outcome.exit_status = WEXITSTATUS(status);
    outcome.out = ReadAll(out);
    outcome.err = ReadAll(err);
    return outcome;
}

// Copies the probe program into `directory` under `name`; returns the copy's path.
fs::path PlaceProgram(const fs::path& directory, const std::string& name = "quorix") {
    fs::create_directories(directory);
    const fs::path program = directory / name;
    fs::copy_file(QX_LOADER_PROBE, program, fs::copy_options::overwrite_existing);
    return program;
}

void PlaceLibrary(const char* library, const fs::path& file) {
    fs::create_directories(file.parent_path());
    fs::copy_file(library, file, fs::copy_options::overwrite_existing);
}

struct Case {
    const char* name;
    const char* beside;     // runtime copied beside the program as krnln.fnr, or null
    const char* installed;  // runtime copied into the install folder as krnln.dqm, or null
    // Content of the "Path" value; "{install}" stands for the install folder. nullopt: the
    // key exists but the value does not. kNoKey: not even the key exists.
    std::optional<std::string> value;
    int exit_status;
    std::string out;
    std::string err;
};

const std::string kNoKey = "<no key>";

TEST(LoaderProcess, FindsAndStartsTheRuntime) {
    const Case cases[] = {
        {"runtime beside the program", QX_FAKE_RUNTIME_OK, nullptr, kNoKey, 0, kStartedLine, ""},
        {"beside wins over installed", QX_FAKE_RUNTIME_OK, QX_FAKE_RUNTIME_REFUSES, "{install}", 0,
         kStartedLine, ""},
        {"beside without GetNewSock, installed not tried", QX_FAKE_RUNTIME_NOSYM,
         QX_FAKE_RUNTIME_OK, "{install}", 255, "", kErrorLine},
        {"beside refuses", QX_FAKE_RUNTIME_REFUSES, nullptr, kNoKey, 255, "", kErrorLine},
        {"installed, value without trailing '/'", nullptr, QX_FAKE_RUNTIME_OK, "{install}", 0,
         kStartedLine, ""},
        {"installed, value with trailing '/'", nullptr, QX_FAKE_RUNTIME_OK, "{install}/", 0,
         kStartedLine, ""},
        {"installed, value written by an editor", nullptr, QX_FAKE_RUNTIME_OK, "{install}\n", 0,
         kStartedLine, ""},
        {"installed without GetNewSock", nullptr, QX_FAKE_RUNTIME_NOSYM, "{install}", 255, "",
         kErrorLine},
        {"installed refuses", nullptr, QX_FAKE_RUNTIME_REFUSES, "{install}", 255, "", kErrorLine},
        {"installed library missing", nullptr, nullptr, "{install}", 255, "", kErrorLine},
        {"registry key missing", nullptr, QX_FAKE_RUNTIME_OK, kNoKey, 255, "", kErrorLine},
        {"value missing", nullptr, QX_FAKE_RUNTIME_OK, std::nullopt, 255, "", kErrorLine},
        {"value empty", nullptr, QX_FAKE_RUNTIME_OK, "", 255, "", kErrorLine},
        {"value too long", nullptr, QX_FAKE_RUNTIME_OK, std::string(300, 'a'), 255, "", kErrorLine},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir scratch;
        const fs::path program = PlaceProgram(scratch.path() / "program");
        const fs::path install = scratch.path() / "install";
        const fs::path config = scratch.path() / "config";
        fs::create_directories(install);
        if (c.beside) PlaceLibrary(c.beside, program.parent_path() / "krnln.fnr");
        if (c.installed) PlaceLibrary(c.installed, install / "krnln.dqm");
        if (!c.value) {
            fs::create_directories(InstallPathValue(config).parent_path());
        } else if (*c.value != kNoKey) {
            std::string value = *c.value;
            if (const auto at = value.find("{install}"); at != std::string::npos) {
                value.replace(at, std::strlen("{install}"), install.string());
            }
            WriteFile(InstallPathValue(config), value);
        }

        const Outcome outcome = RunProgram(program, scratch.path(), config.c_str());
        EXPECT_EQ(outcome.exit_status, c.exit_status);
        EXPECT_EQ(outcome.out, c.out);
        EXPECT_EQ(outcome.err, c.err);
    }
}

// A runtime file that is cut short, empty, or not a library at all cannot be loaded: beside
// the program the registry is tried next; installed, it ends in the one message.
TEST(LoaderProcess, BrokenRuntimeFilesEndInTheOneMessage) {
    const std::string library = ReadAll(QX_FAKE_RUNTIME_OK);
    const std::pair<const char*, std::string> broken[] = {
        {"truncated library", library.substr(0, library.size() / 3)},
        {"empty file", ""},
        {"text file", "this is not a library\n"},
    };
    for (const auto& [what, content] : broken) {
        for (const bool installed : {false, true}) {
            SCOPED_TRACE(std::string(what) + (installed ? ", installed" : ", beside"));
            ScratchDir scratch;
            const fs::path program = PlaceProgram(scratch.path() / "program");
            const fs::path install = scratch.path() / "install";
            const fs::path config = scratch.path() / "config";
            fs::create_directories(install);
            WriteFile(installed ? install / "krnln.dqm" : program.parent_path() / "krnln.fnr",
                      content);
            WriteFile(InstallPathValue(config), install.string());
            const Outcome outcome = RunProgram(program, scratch.path(), config.c_str());
            EXPECT_EQ(outcome.exit_status, 255);
            EXPECT_EQ(outcome.err, kErrorLine);
        }
    }
    // The key names an install folder that is a file, not a folder.
    ScratchDir scratch;
    const fs::path program = PlaceProgram(scratch.path() / "program");
    const fs::path config = scratch.path() / "config";
    WriteFile(scratch.path() / "install", "a file");
    WriteFile(InstallPathValue(config), (scratch.path() / "install").string());
    const Outcome outcome = RunProgram(program, scratch.path(), config.c_str());
    EXPECT_EQ(outcome.exit_status, 255);
    EXPECT_EQ(outcome.err, kErrorLine);
}

TEST(LoaderProcess, ShortProgramNameInAPathLongerThanAWindowsPath) {
    ScratchDir scratch;
    fs::path directory = scratch.path();
    while (directory.string().size() < 400) directory /= std::string(60, 'd');
    const fs::path program = PlaceProgram(directory, "q");
    PlaceLibrary(QX_FAKE_RUNTIME_OK, directory / "krnln.fnr");

    const Outcome outcome = RunProgram(program, scratch.path(), nullptr);
    EXPECT_EQ(outcome.exit_status, 0);
    EXPECT_EQ(outcome.out, kStartedLine);
    EXPECT_EQ(outcome.err, "");
}

// Installed, the program lives in a folder of its own with its runtime, and bin/ holds a link to
// it: the runtime is looked for beside the program's real file, not beside the link.
TEST(LoaderProcess, StartedThroughALinkTheProgramFindsTheRuntimeBesideItsRealFile) {
    ScratchDir scratch;
    const fs::path program = PlaceProgram(scratch.path() / "lib/quorix");
    PlaceLibrary(QX_FAKE_RUNTIME_OK, scratch.path() / "lib/quorix/krnln.fnr");
    fs::create_directories(scratch.path() / "bin");
    fs::create_symlink("../lib/quorix/quorix", scratch.path() / "bin/quorix");
    // A link to the link, as a menu or a user's own bin folder may make.
    fs::create_symlink(scratch.path() / "bin/quorix", scratch.path() / "quorix");

    for (const fs::path& started : {scratch.path() / "bin/quorix", scratch.path() / "quorix"}) {
        SCOPED_TRACE(started.string());
        const Outcome outcome = RunProgram(started, scratch.path(), nullptr);
        EXPECT_EQ(outcome.exit_status, 0);
        EXPECT_EQ(outcome.out, kStartedLine);
        EXPECT_EQ(outcome.err, "");
    }
}

TEST(LoaderProcess, EmptyXdgConfigHomeFallsBackToHomeConfig) {
    ScratchDir scratch;
    const fs::path program = PlaceProgram(scratch.path() / "program");
    const fs::path home = scratch.path() / "home";
    PlaceLibrary(QX_FAKE_RUNTIME_OK, scratch.path() / "install/krnln.dqm");
    WriteFile(InstallPathValue(home / ".config"), (scratch.path() / "install").string());

    const Outcome outcome = RunProgram(program, scratch.path(), "", home.c_str());
    EXPECT_EQ(outcome.exit_status, 0);
    EXPECT_EQ(outcome.out, kStartedLine);
    EXPECT_EQ(outcome.err, "");
}

}  // namespace
}  // namespace quorix::loader
