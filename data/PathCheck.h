#pragma once

#include <QString>

// Why a file named on the command line cannot be used, in words the user can act on, before the
// engine tries and fails with less to say.
namespace pathcheck {

// An existing file to read: engine::Error err::FileNotFound when it or its folder does not
// exist (saying which), err::CannotOpen when it is a folder or no regular file, or when there is
// no permission to read it or to enter its folder.
void requireReadableFile(const QString& path);

// A file to be made: its folder must exist and take new files (the same errors).
void requireFolderFor(const QString& path);

}  // namespace pathcheck
