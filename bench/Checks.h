#pragma once
// Checks that run before any timing: a benchmark whose work returns wrong results would time
// nothing worth knowing. Each source registers its checks; main() runs them all and stops the
// run on the first that fails.

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace benchChecks {

// A check returns what is wrong, or an empty text.
using Check = std::function<std::string()>;

inline std::vector<std::pair<std::string, Check>>& all() {
    static std::vector<std::pair<std::string, Check>> checks;
    return checks;
}

inline bool add(std::string name, Check check) {
    all().emplace_back(std::move(name), std::move(check));
    return true;
}

inline bool runAll() {
    for (const auto& [name, check] : all()) {
        const std::string problem = check();
        if (!problem.empty()) {
            std::fprintf(stderr, "stopped: %s: %s\n", name.c_str(), problem.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace benchChecks
