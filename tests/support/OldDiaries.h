#pragma once

#include "support/Diary.h"
#include "support/JetWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testing_support {

// Fills `diary` (empty) with the rows an old diary brings the converter trouble with: Polish
// letters in every kind of name, quotes and apostrophes, a comment over two lines (CR LF), a
// match whose club row and one whose competition row are missing, a goal of a missing player,
// an own goal, a neutral match, a match without a score, a date before 1900, ids with gaps.
// Six matches, ten goals; the largest ids: Sezony 7, Kluby 5, Rozgrywki 3, Jak 4, Gracze 6,
// Mecze 9.
void fillAwkwardDiary(const Diary& diary);

// The diary `diaryPath` written as the old program's file `jetPath`.
void writeOldDiary(const QString& diaryPath, const QString& jetPath,
                   const jetfile::Options& options);

}  // namespace testing_support
