// Positions in the tune and the rows a maker jumps between, over a song of three 64-row orders with a Z00 on
// every sixteenth row (rows 0.12 s, 5,760 sample frames, apart).
#include "timeline.h"

#include <gtest/gtest.h>

#include <tuple>

#include "png_files.h"
#include "xm_test_songs.h"

namespace {

TEST(Position, IsSecondsOrAnOrderAndARow)
{
    const struct {
        const char *text;
        bool byRow;
        double seconds;
        int order, row;
    } valid[] = {{"31.5", false, 31.5, 0, 0}, {"47", false, 47, 0, 0}, {"0", false, 0, 0, 0},
                 {"4:16", true, 0, 4, 16},    {"4:0", true, 0, 4, 0}};
    for (const auto &c : valid) {
        Position position;
        ASSERT_TRUE(ParsePosition(c.text, position)) << c.text;
        EXPECT_EQ(std::make_tuple(position.byRow, position.seconds, position.order, position.row, position.text),
                  std::make_tuple(c.byRow, c.seconds, c.order, c.row, std::string(c.text)));
    }
    for (const char *text : {"-1", "1e3", "inf", "nan", "", ".", "1.2.3", "4:", ":4", "4:-1", "4:1:2", "9999999:0",
                             " 4", "999999999999999999999"}) {
        Position position;
        EXPECT_FALSE(ParsePosition(text, position)) << text;
    }
}

class BusyTimeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xm_save(xm_busy_song(3, 2), dir.File("busy.xm").c_str()));
        std::string error;
        ASSERT_TRUE(LoadTimeline(dir.File("busy.xm").c_str(), timeline, error)) << error;
        ASSERT_EQ(timeline.walk.rows.size(), 192u);
    }
    int64_t Start(int row) const { return timeline.walk.rows[size_t(row)].frame; }
    TempDir dir;
    Timeline timeline;
};

TEST_F(BusyTimeline, PositionsFallOnTheRowsThatPlayThen)
{
    EXPECT_EQ(std::make_tuple(Start(1), Start(64), timeline.walk.frames), std::make_tuple(5760, 64 * 5760, 192 * 5760));
    Position position;
    ASSERT_TRUE(ParsePosition("1:16", position));
    EXPECT_EQ(PositionFrame(timeline, position), Start(80));
    ASSERT_TRUE(ParsePosition("0.5", position));
    EXPECT_EQ(std::make_tuple(PositionFrame(timeline, position), RowAt(timeline, 24000)), std::make_tuple(24000, 4));
    EXPECT_EQ(std::make_tuple(RowAt(timeline, Start(7) - 1), RowAt(timeline, Start(7)), RowAt(timeline, -1)),
              std::make_tuple(6, 7, -1));
    for (const char *outside : {"3:0", "0:64", "23.04"}) {
        ASSERT_TRUE(ParsePosition(outside, position));
        EXPECT_EQ(PositionFrame(timeline, position), -1) << outside;
    }
    ASSERT_TRUE(ParsePosition("23.0399", position));
    EXPECT_EQ(RowAt(timeline, PositionFrame(timeline, position)), 191);
    EXPECT_EQ(std::make_tuple(MusicTime(0), MusicTime(5760), MusicTime(48000 * 125 + 480)),
              std::make_tuple("0:00.00", "0:00.12", "2:05.01"));
}

// Each row's count includes its own Z00; a show of N pictures ends on the N-th.
TEST_F(BusyTimeline, ShowsStartWhereTheirSyncsHaveBroughtThem)
{
    EXPECT_EQ(std::make_tuple(SyncsThrough(timeline, 0), SyncsThrough(timeline, 15), SyncsThrough(timeline, 16),
                              SyncsThrough(timeline, 191)),
              std::make_tuple(1, 1, 2, 12));
    Position position;
    ASSERT_TRUE(ParsePosition("0:47", position));
    EXPECT_EQ(ShowStart(timeline, position, 4), Start(47));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(ParsePosition("0:48", position));
    EXPECT_EQ(ShowStart(timeline, position, 4), -1);
    ASSERT_TRUE(ParsePosition("30", position));
    EXPECT_EQ(ShowStart(timeline, position, 40), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "demo: cannot start at \"0:48\": after the Z00 that ends the show, at 0:05.76\n"
              "demo: cannot start at \"30\": past the end of the tune, which lasts 0:23.04\n");
}

TEST_F(BusyTimeline, JumpsGoToTheNeighbouringSyncsAndOrders)
{
    EXPECT_EQ(std::make_tuple(NextSyncRow(timeline, 0), NextSyncRow(timeline, 17), NextSyncRow(timeline, 176)),
              std::make_tuple(16, 32, -1));
    const int64_t second = 48000;
    // From well inside a sync's rows back to that sync; within a second of it, to the one before.
    EXPECT_EQ(PreviousSyncRow(timeline, 41, Start(41), second), 32);
    EXPECT_EQ(PreviousSyncRow(timeline, 33, Start(33), second), 16);
    EXPECT_EQ(PreviousSyncRow(timeline, 32, Start(32), second), 16);
    EXPECT_EQ(PreviousSyncRow(timeline, 5, Start(5), second), -1);
    EXPECT_EQ(PreviousSyncRow(timeline, 10, Start(10), second), 0);
    EXPECT_EQ(std::make_tuple(NextOrderRow(timeline, 0), NextOrderRow(timeline, 64), NextOrderRow(timeline, 130)),
              std::make_tuple(64, 128, -1));
    EXPECT_EQ(std::make_tuple(PreviousOrderRow(timeline, 140), PreviousOrderRow(timeline, 128),
                              PreviousOrderRow(timeline, 63)),
              std::make_tuple(64, 64, -1));
}

// The sync song breaks from order 0 into row 2 of order 1: an order starts where the playing order changes.
TEST(Timeline, OrdersStartWhereThePlayingOrderChanges)
{
    TempDir dir;
    ASSERT_TRUE(xm_save(xm_sync_song(), dir.File("sync.xm").c_str()));
    Timeline timeline;
    std::string error;
    ASSERT_TRUE(LoadTimeline(dir.File("sync.xm").c_str(), timeline, error)) << error;
    const int next = NextOrderRow(timeline, 0);
    ASSERT_GE(next, 0);
    const TrackerRow &start = timeline.walk.rows[size_t(next)];
    EXPECT_EQ(std::make_tuple(start.order, start.row, PreviousOrderRow(timeline, next + 1)), std::make_tuple(1, 2, 0));
}

} // namespace
