// Running a test suite on both sound servers: QUILBO_ON_BOTH_SERVERS(Fixture) instantiates a
// TestWithParam<ServerKind> fixture once per server, named so that quilbo_add_test(... SERVERS)
// (tests/CMakeLists.txt) gives each server its own CTest entry and label.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/support/SoundServer.h"

namespace quilbo::test {

inline void PrintTo(ServerKind kind, std::ostream* out) {
    *out << serverKindName(kind);
}

inline std::string serverTestName(const testing::TestParamInfo<ServerKind>& info) {
    return serverKindName(info.param);
}

}  // namespace quilbo::test

#define QUILBO_ON_BOTH_SERVERS(Fixture)                                                            \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Servers, Fixture,                                                                          \
        testing::Values(quilbo::test::ServerKind::PulseAudio, quilbo::test::ServerKind::PipeWire), \
        quilbo::test::serverTestName)
