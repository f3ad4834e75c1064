#pragma once

#include <QString>

// A realistic demo diary for trying the program out, for tests and for measurements. The
// content depends on nothing but `scale` (a fixed seed, no clock), so the same scale always
// gives the same rows.
namespace demo {

// What a demo diary of a given scale holds.
struct Size {
    int seasons;
    int clubs;
    int players;
    int matches;
};
Size sizeFor(int scale);

// Writes the demo diary into the new file `path`; refuses to overwrite (err::DestinationExists)
// and leaves no file behind when it fails. At scale 1: 10 seasons, 30 clubs, 150 players,
// 4 competitions (one unofficial), 5 kinds of goal (one own goal), 300 matches and their goals.
void createDiary(const QString& path, int scale = 1);

}  // namespace demo
