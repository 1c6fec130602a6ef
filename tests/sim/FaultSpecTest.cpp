// The --fault syntax: what each kind switches on, and the mistakes an operator can make.

#include <gtest/gtest.h>

#include "sim/FaultSpec.h"

namespace horavane::sim {
namespace {

TEST(FaultSpec, EveryKindSwitchesItsFaultAndSeveralAddUp) {
    FaultSwitches f;
    for (const char* text :
         {"127.0.0.2:silent", "127.0.0.2:wrong-checksum=3", "127.0.0.2:zero-checksum", "127.0.0.2:short=60",
          "127.0.0.2:duplicate", "127.0.0.2:delay=250", "127.0.0.2:direction=0", "127.0.0.2:ignore-writes"}) {
        std::string error;
        const auto fault = ParseFaultSpec(text, &error);
        ASSERT_TRUE(fault) << text << ": " << error;
        ApplyFault(*fault, f);
    }
    EXPECT_TRUE(f.silent);
    EXPECT_EQ(f.wrongChecksumReplies, 3);
    EXPECT_TRUE(f.zeroChecksum);
    EXPECT_EQ(f.shortReplyLength, std::size_t{60});
    EXPECT_TRUE(f.duplicateReplies);
    EXPECT_EQ(f.delay, std::chrono::milliseconds(250));
    EXPECT_EQ(f.direction, std::uint8_t{0});
    EXPECT_TRUE(f.ignoreWrites);

    std::string error;
    const auto fault = ParseFaultSpec("127.1.2.3:short=0", &error);
    ASSERT_TRUE(fault) << error;
    EXPECT_EQ(fault->address, (Ipv4Address{{127, 1, 2, 3}}));
}

TEST(FaultSpec, MistakesAreRefusedWithAReasonNamingTheText) {
    for (const char* text :
         {"silent", "127.0.0:silent", "127.0.0.2:", "127.0.0.2:loud", "127.0.0.2:silent=1",
          "127.0.0.2:wrong-checksum", "127.0.0.2:wrong-checksum=0", "127.0.0.2:short=96",
          "127.0.0.2:short=-1", "127.0.0.2:short=5x", "127.0.0.2:delay=10001", "127.0.0.2:direction=256",
          "127.0.0.2:direction=", "127.0.0.2:delay=99999999999999999999"}) {
        std::string error;
        EXPECT_FALSE(ParseFaultSpec(text, &error)) << text;
        EXPECT_NE(error.find(text), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace horavane::sim
