// What the editing-action cases of the conformance suite cannot show: the
// record limit and the working record's own edges.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "actions/data_context.h"
#include "host/rule_runner.h"
#include "support.h"

namespace trelmix {
namespace {

// A host's record past the limit is refused before the script runs, as an
// allocation that fails (the docs show an edit reaching the limit and past
// it); one of exactly the limit runs.
TEST(EditingActions, HostRecordPastTheLimitIsRefused) {
    const Program none;
    RunState state;
    EXPECT_EQ(RunScript(none, state, nullptr, kMaxRecordLength + 1, kMaxRecordLength + 1, 0, 0).status,
              TRLM_STATUS_OUT_OF_MEMORY);
    std::vector<std::uint8_t> record(kMaxRecordLength, 'a');
    EXPECT_NE(RunScript(none, state, record.data(), kMaxRecordLength, kMaxRecordLength, 0, 0).status,
              TRLM_STATUS_OUT_OF_MEMORY);
}

// A host's record and the buffers of the script that works on it.
struct Record {
    explicit Record(std::string text, std::int32_t length = -1) : host(std::move(text)) {
        d.Start(reinterpret_cast<const std::uint8_t*>(host.data()),
                length < 0 ? static_cast<std::int32_t>(host.size()) : length, work);
    }
    std::string host;
    WorkBuffers work;
    DataContext d;
};

// Each edit that could pass the limit, on a record whose length is faked
// just below it: the size is checked before any byte is read or written.
TEST(DataContext, ResultPastTheLimitThrowsBeforeAnyChange) {
    ByteArg two;
    two.bytes = {'a', 'b'};
    Record r("ABC", kMaxRecordLength - 1);
    r.d.cursor = 1;
    EXPECT_THROW(r.d.AppendText(two), std::bad_alloc);
    EXPECT_THROW(r.d.PrependText(two), std::bad_alloc);
    EXPECT_THROW(r.d.ReplaceAtCursor(two, 0), std::bad_alloc);
    EXPECT_THROW(r.d.PadEnd(2, ' '), std::bad_alloc);
    EXPECT_FALSE(r.d.edited);
    EXPECT_EQ(r.d.length, kMaxRecordLength - 1);
    EXPECT_EQ(r.d.cursor, 1);
}

}  // namespace
}  // namespace trelmix
