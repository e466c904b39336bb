#pragma once
// The program's version and build date as the header, the title and the About box show them.

namespace qn {
inline constexpr const char *ProgramVersion = "2.11";
inline constexpr const char *BuildDate = "2021.06.10";
} // namespace qn
