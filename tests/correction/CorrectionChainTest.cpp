// Corrections that make no filter-chain are refused with the channel and filter at fault, and
// nothing is written for them; a channel the correction leaves alone passes the chain unchanged.
#include <gtest/gtest.h>

#include <limits>

#include "measure/CorrectionPipeWire.h"

namespace quilbo {
namespace {

using Kind = CorrectionFilterKind;
using Error = CorrectionChainError;

TEST(CorrectionChain, RefusesWhatNoChainCanDoAndNamesWhere) {
    const CorrectionOutput stereo{"out", "Speakers", {"FL", "FR"}};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        ChannelCorrection channel;
        Error error;
        int filter;
    };
    const Case cases[] = {
        {{2, "FR", 0, {{Kind::Peaking, 1000, -3, 2}}, 0, 0, false}, Error::None, 0},
        {{3, "RL", 0, {}, 0, 0, false}, Error::UnknownChannel, 0},
        {{2, "FR", 0, {{Kind::Peaking, 1000, -3, 2}, {Kind::Peaking, 24000, 3, 1}}, 0, 0, false},
         Error::BadFilter,
         2},
        {{2, "FR", 0, {{Kind::Peaking, 1000, -3, 0}}, 0, 0, false}, Error::BadFilter, 1},
        {{2, "FR", 0, {{Kind::LowShelf, 100, nan, 0}}, 0, 0, false}, Error::BadFilter, 1},
        {{2, "FR", 0, {}, 1500, 0, false}, Error::BadDelay, 0},
        {{2, "FR", 0, {}, -1, 0, false}, Error::BadDelay, 0},
        {{2, "FR", -3, {}, 0, 30, false}, Error::BadLevel, 0},
        {{1, "", 0, {}, 0, 0, false}, Error::RepeatedChannel, 0},  // front left by its number
    };
    for (const Case& c : cases) {
        const Correction correction{48000, {{1, "FL", 0, {}, 0, 0, false}, c.channel}};
        const CorrectionChainCheck check = checkCorrectionChain(correction, stereo);
        EXPECT_EQ(check.error, c.error) << c.channel.channel << " " << int(c.error);
        EXPECT_EQ(check.channel, c.error == Error::None ? 0 : c.channel.channel);
        EXPECT_EQ(check.filter, c.filter);
        EXPECT_EQ(filterChainProcessConfig(correction, stereo).empty(), c.error != Error::None);
    }
    // Only the front right corrected on a 5.1 output: five copies, and the sink's six channels.
    const std::string chain =
        filterChainArguments({44100, {{2, "FR", 0, {}, 0, 0, true}}},
                             {"out", "", {"FL", "FR", "FC", "LFE", "RL", "RR"}});
    std::size_t copies = 0;
    for (std::size_t at = 0; (at = chain.find("label = copy", at)) != std::string::npos; ++at) {
        ++copies;
    }
    EXPECT_EQ(copies, 5u);
    EXPECT_NE(chain.find("gain = -1 "), std::string::npos);
    EXPECT_NE(chain.find("target.object = \"out\""), std::string::npos);
}

}  // namespace
}  // namespace quilbo
