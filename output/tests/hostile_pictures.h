// The damaged and malicious picture files of scripts/make_hostile_pictures.py, for the test
// that loads each through the window and the benchmark that times those loads. Who includes
// this defines QUORIX_HOSTILE_SCRIPT, the generator's path.
#pragma once

#include <QString>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace quorix {

struct Hostile {
    std::string name;
    bool must_be_refused = false;  // the file must not change the boards
};

// Runs the generator into `dir` and reads its manifest; empty when the generator failed.
inline std::vector<Hostile> MakeHostilePictures(const QString& dir) {
    const std::string command =
        std::string("python3 '") + QUORIX_HOSTILE_SCRIPT + "' '" + dir.toStdString() + "'";
    if (std::system(command.c_str()) != 0) return {};
    std::vector<Hostile> files;
    std::ifstream manifest(dir.toStdString() + "/manifest.txt");
    std::string name, expectation;
    while (manifest >> name >> expectation) files.push_back({name, expectation == "refused"});
    return files;
}

}  // namespace quorix
