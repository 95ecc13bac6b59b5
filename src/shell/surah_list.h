#pragma once

#include <QString>

namespace shell {

inline constexpr int kSurahCount = 114;

// Surah `number`'s name as its button shows it (1 to 114); empty outside.
QString surahCaption(int number);

} // namespace shell
