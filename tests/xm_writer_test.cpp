// xm_writer_test.cpp - the modules the XM writer refuses, and saving. What
// it writes is checked byte for byte by the example's regeneration and read
// back by the layout reader's and the sound stand-in's tests.
#include "xm_test_songs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

TEST(XmWriter, RefusesWhatTheFormatCannotCarrySavesTheRestAndReportsFailure)
{
    const XmModule good = xm_sync_song();
    ASSERT_EQ(xm_problem(good), "");
    const std::pair<const char *, std::function<void(XmModule &)>> faults[] = {
        {"5 channels", [](XmModule &m) { m.channels = 5; }},
        {"34 channels", [](XmModule &m) { m.channels = 34; }},
        {"order of a missing pattern", [](XmModule &m) { m.orders.push_back(3); }},
        {"short pattern", [](XmModule &m) { m.patterns[1].cells.pop_back(); }},
        {"note 98", [](XmModule &m) { m.patterns[0].cells[0].note = 98; }},
        {"restart past the orders", [](XmModule &m) { m.restartPosition = 3; }},
        {"envelope not rising in time", [](XmModule &m) { m.instruments[0].volumeEnvelope.points = {{0, 64}, {0, 32}}; }},
        {"volume 65", [](XmModule &m) { m.instruments[0].volume = 65; }},
    };
    const std::string path = testing::TempDir() + "xm_writer_test.xm";
    for (const auto &fault : faults) {
        XmModule m = good;
        fault.second(m);
        EXPECT_NE(xm_problem(m), "") << fault.first;
        EXPECT_TRUE(xm_write(m).empty() && !xm_save(m, path.c_str())) << fault.first;
    }

    ASSERT_TRUE(xm_save(good, path.c_str()));
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}), xm_write(good));
    std::remove(path.c_str());
    EXPECT_FALSE(xm_save(good, "/nonexistent-directory/out.xm"));
}

} // namespace
