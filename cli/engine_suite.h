// The fixed positions of the engine's speed measurements, each with the computer to move: the
// first replies of common openings, middle games from played-out games, and endings.
#pragma once

namespace cli {

inline constexpr const char* kEngineSuite[] = {
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RNBAKABNR b",
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b",
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1CN4C1/9/R1BAKABNR b",
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C4NC1/9/RNBAKAB1R b",
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/6P2/P1P1P3P/1C5C1/9/RNBAKABNR b",
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/2P6/P3P1P1P/1C5C1/9/RNBAKABNR b",
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2B2C1/9/RN1AKABNR b",
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/3C3C1/9/RNBAKABNR b",
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/4A4/RNBAK1BNR b",
    "r1bakabnr/9/1cn4c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C1N2/9/RNBAKAB1R b",
    "rCbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/7C1/9/RNBAKABNR b",
    "2bakabr1/9/7c1/p1p1p1p1p/9/9/P1cRP1P1P/4B4/9/1rBAKA1NR b",
    "1rbakabn1/8r/1c7/p1p1p1p1p/7C1/7c1/P1P1P1P1P/2N6/1R7/2BAKABR1 b",
    "1rbakabn1/5C2r/1c7/p1p1p1p1p/9/8P/P1P1P1P2/2N4c1/4K4/R1BA1AB1R b",
    "1rbakab2/9/1c7/p1p1p1p1p/9/9/P1P1P1c1P/N6rN/9/1RBAKABR1 b",
    "rnbakabnr/1C5R1/9/p1p1p1p1p/6c2/9/P3P3P/2N2C3/9/R1BAKAB2 b",
    "1rbakabr1/9/2c4c1/p1p1p1p1p/9/4P4/P1P3P1P/6N2/9/RNBAKAB1R b",
    "2bakabr1/9/7c1/p1p1p1p2/8p/4P4/P1c3P2/1r2B4/8N/R1BAKA2R b",
    "1rbakabr1/9/1cc6/p1p1p1p1p/9/6P2/P1P1P3P/9/4A4/RNB1KABNR b",
    "1rbakab2/9/1c7/p1p1p1p1p/9/P3r4/2c5P/N7R/4A4/R1B1KAB2 b",
    "r1bakabn1/9/n6c1/p3p4/9/2P5P/P3P3r/BC7/7c1/1R1AKABN1 b",
    "r1bakabnr/9/n6c1/p1p1p1p1p/9/8P/P1P1P1P2/2C4R1/4K4/5A1c1 b",
    "2bakab2/3r5/6n2/p1p1p3p/3C2p2/5c1R1/P1c1P1P1P/1r7/3RN4/2BAKAB2 b",
    "2b1kab2/4a4/2c6/p1p1p1p1p/9/2B3P2/P3r3P/B8/2cRA2r1/3AK2NR b",
    "1rbakab2/9/4c4/p1p3p1p/9/4P4/PRP5P/N8/4A4/2BAK1r2 b",
    "2bRkab2/9/9/p1p1p1p2/9/P3P1P1p/4c4/r3B4/4A3r/4KA3 b",
    "2b1kab2/4a4/5c3/2p1p3p/9/p1B3p1P/2r6/Bc3A3/1R3N1r1/3A1K2R b",
    "r1bakab2/9/n8/p1p1p1p1p/9/6P1c/P1P6/9/5K1r1/2cA5 b",
    "3ak4/4a4/9/9/9/9/9/9/4R4/4K4 b",
    "4k4/9/4b4/9/2p6/9/4P4/4B4/4N4/3K5 b",
    "3k1a3/4a4/4b4/9/9/2C6/9/9/4A4/4K4 b",
    "2bak4/4a4/4b4/9/9/9/9/2n6/4p4/3K5 b",
    "3k5/9/9/9/9/9/9/9/9/4K4 b",
    "4ka3/4a4/9/9/2r6/9/9/4C4/9/3AK4 b",
    "3akab2/9/4b4/p3p3p/2p6/6P2/P3P3P/4B4/4A4/2BAK4 b",
    "2bk5/4a4/9/9/9/6R2/9/3N5/9/4K4 b",
};

}  // namespace cli
