#pragma once

#include "data/engine/Error.h"
#include "forms/Toolkit.h"

#include <QString>

#include <gtest/gtest.h>

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

// The standard message ("Wystąpił błąd numer ...") of the error that `f` raises; the windows
// show the same text when they meet that error.
inline QString errorText(const std::function<void()>& f, bool notSaved = false) {
    try {
        f();
    } catch (const engine::Error& e) {
        return ui::tekstBledu(e, notSaved);
    }
    ADD_FAILURE() << "no engine error";
    return QString();
}

}  // namespace testing_support
