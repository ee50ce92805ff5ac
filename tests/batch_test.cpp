// pairfit-batch's parts: the row order when threads finish rows out of
// order and share few slots, the progress line and the warnings field
// (its command lines are recorded in tests/expected/commands/batch.txt).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "pairfit-batch/pair_list.h"
#include "pairfit-batch/progress.h"
#include "pairfit-batch/row_output.h"
#include "test_util.h"

// The binary always has many slots; here three threads share three.
TEST(BatchRowOutput, RowsFinishedOutOfOrderGoOutInListOrder) {
    std::vector<std::string> names = {"ref"};
    std::string expected;
    for (int i = 0; i < 200; ++i) names.push_back("m" + std::to_string(i));
    for (int i = 0; i < 200; ++i) expected += "ref\tm" + std::to_string(i) + "\t" + std::to_string(i) + "\n";
    pair_list list;
    make_pairs_against_first(&list, names);
    Scratch file("rows.txt", "");
    FILE *out = std::fopen(file.path.c_str(), "w");
    row_output rows;
    start_rows(&rows, out, &list, 0, 200, 3, nullptr);
    std::atomic<size_t> next(0);
    auto work = [&] {
        for (size_t row = next++; row < 200; row = next++) {
            if (row % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
            row_slot *slot = wait_for_slot(&rows, row);
            std::snprintf(slot->values, sizeof slot->values, "%zu", row);
            finish_row(&rows, row);
        }
    };
    std::thread a(work), b(work);
    work(), a.join(), b.join(), std::fclose(out);
    EXPECT_EQ(read_file(file.path), expected);
}

TEST(BatchProgress, TimeLeft) {
    char text[160];
    const struct {
        size_t done, total;
        double seconds;
        const char *line;
    } cases[] = {
        {0, 90, 1.0, "0/90 pairs"},
        {30, 90, 10.0, "30/90 pairs, 3.0 pairs/s, 0:20 left"},
        {1, 7201, 1.0, "1/7201 pairs, 1.0 pairs/s, 2:00:00 left"},
        {90, 90, 30.0, "90/90 pairs, 3.0 pairs/s, done in 0:30"},
    };
    for (const auto &c : cases) {
        format_progress(text, sizeof text, c.done, c.total, c.seconds);
        EXPECT_STREQ(text, c.line);
    }
}

TEST(BatchWarnings, SeparatorStaysBetweenWarnings) {
    EXPECT_EQ(warnings_field({}), "");
    EXPECT_EQ(warnings_field({"Warning: a", "Warning: b | c\tand\nd"}), "Warning: a | Warning: b / c and d");
}
