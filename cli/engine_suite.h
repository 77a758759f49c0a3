// The fixed positions of the engine's speed measurements: openings, middle games and endings,
// each with the computer to move.
#pragma once

namespace cli {

inline constexpr const char* kEngineSuite[] = {
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b",
};

}  // namespace cli
