#pragma once

#include "data/engine/Error.h"

#include <functional>

namespace testing_support {

// The engine error number that `f` raises, or 0 when it raises none.
inline int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const engine::Error& e) {
        return e.number();
    }
    return 0;
}

}  // namespace testing_support
