// The time texts shared by the playlist, the command port and the windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace player {

// "%02ld:%02ld": minutes (not limited to two digits) and seconds. Negatives count as 0.
std::string FormatMinSec(int64_t seconds);

// By time type: 0 "%ld" seconds; 1 "MM:SS"; 3 "MM:SS" up to 3599, else as 2;
// 2 and any other "HH:MM:SS".
std::string FormatTime(int64_t seconds, int time_type);

// The number at the start of text; with a ':' the number before it times 60 plus
// the number after it. Saturates instead of overflowing; negatives give 0.
int64_t ParseMinSec(std::string_view text);

}  // namespace player
