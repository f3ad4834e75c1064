#pragma once

#include <QString>

#include <cstdio>
#include <cstring>

// The program's version, from the build's one source (the CMake project's version), for the
// about box, both programs' --version and the package.
namespace wersja {

inline QString Tekst() {
    return QStringLiteral("%1.%2.%3")
        .arg(MIRVOLA_VERSION_MAJOR)
        .arg(MIRVOLA_VERSION_MINOR)
        .arg(MIRVOLA_VERSION_PATCH);
}

// "--version" as the only argument prints "<program> <version>" and answers true. Checked
// before the application object exists, so that it works without a display.
inline bool WypiszNaZadanie(int argc, char** argv, const char* program) {
    if (argc != 2 || std::strcmp(argv[1], "--version") != 0) {
        return false;
    }
    std::printf("%s %s\n", program, Tekst().toUtf8().constData());
    return true;
}

}  // namespace wersja
