// The rule runner on scripts built directly, without the compiler.
#include <gtest/gtest.h>

#include "host/rule_runner.h"
#include "support.h"

namespace trelmix {
namespace {

enum class Crit { None, Empty, Code5 };  // no block, empty block (passes all), CODE_LIST(5)
enum class Acts { None, Empty, Append };

struct RuleShape { Crit criteria; Acts actions; char appended = 0; std::uint32_t ruleset = 0; };

std::unique_ptr<Script> Build(std::initializer_list<RuleShape> shapes) {
    auto s = std::make_unique<Script>();
    for (const RuleShape& shape : shapes) {
        Rule& rule = s->rules.emplace_back();
        rule.ruleset = shape.ruleset;
        if (shape.criteria != Crit::None) rule.criteria.emplace();
        if (shape.criteria == Crit::Code5) rule.criteria->codes = {5};
        if (shape.actions != Acts::None) rule.actions = ActionRange{static_cast<std::uint32_t>(s->actions.size()), 0};
        if (shape.actions == Acts::Append) {
            Action& a = s->actions.emplace_back(ActionKind::Append);
            a.arg1.bytes = {static_cast<std::uint8_t>(shape.appended)};
            rule.actions->count = 1;
        }
    }
    return s;
}

struct Case {
    const char* name;
    std::unique_ptr<Script> script;
    std::uint32_t codeType;
    std::int32_t status;
    std::string buffer;  // the caller's buffer after the call, `length` bytes
};

TEST(RuleRunner, StatusesAndCopyBack) {
    Case cases[] = {
        {"no rules: copied back unchanged", Build({}), 5, 1, "AB"},
        {"first passing rule only", Build({{Crit::Code5, Acts::Append, '1'}, {Crit::Empty, Acts::Append, '2'}}), 5, 1, "AB1"},
        {"criteria fail, no-criteria edits kept",
         Build({{Crit::None, Acts::Append, 'n'}, {Crit::Code5, Acts::Append, '1'}}), 4, 1, "ABn"},
        {"no-criteria rules run before the applying one",
         Build({{Crit::None, Acts::Append, 'n'}, {Crit::None, Acts::Append, 'm'}, {Crit::Code5, Acts::Append, '1'}}), 5, 1, "ABnm1"},
        {"applying rule with empty block: nothing copied",
         Build({{Crit::None, Acts::Append, 'n'}, {Crit::Code5, Acts::Empty}}), 5, 1, "AB"},
        {"rule without action block stops the run",
         Build({{Crit::None, Acts::Append, 'n'}, {Crit::Code5, Acts::None}, {Crit::Empty, Acts::Append, '2'}}), 4, 0, "AB"},
        {"no action block stops even in a switched-off ruleset",
         Build({{Crit::Code5, Acts::None, 0, 40}}), 5, 0, "AB"},
        {"no criteria, empty block, before any rule applied",
         Build({{Crit::None, Acts::Append, 'n'}, {Crit::None, Acts::Empty}, {Crit::Empty, Acts::Append, '2'}}), 5, -2, "AB"},
        {"ruleset never on is skipped", Build({{Crit::Empty, Acts::Append, '1', 32}, {Crit::Empty, Acts::Append, '2'}}), 5, 1, "AB2"},
    };
    for (Case& c : cases) {
        std::uint8_t buffer[16] = {'A', 'B'};
        const ExecuteResult r = ExecuteScript(*c.script, buffer, 2, c.codeType, 0);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.data, buffer) << c.name;
        EXPECT_EQ(std::string(buffer, buffer + r.length), c.buffer) << c.name;
    }
}

TEST(RuleRunner, EmptyRecordHasAWorkingCopyAndWritesNothing) {
    auto script = Build({{Crit::Empty, Acts::Append, '!'}});
    script->rules[0].criteria->length = 0;
    std::uint8_t buffer[4] = {'z', 'z', 'z', 'z'};
    ExecuteResult r = ExecuteScript(*script, buffer, 0, 0, 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::string(buffer, buffer + r.length), "!");

    auto none = Build({});
    r = ExecuteScript(*none, nullptr, 0, 0, 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.length, 0u);
}

TEST(RuleRunner, RecordBeyondTheLimitIsRefused) {
    auto script = Build({});
    EXPECT_THROW(RunScript(*script, nullptr, 0x4000001u, 0x4000001u, 0, 0), std::bad_alloc);
}

}  // namespace
}  // namespace trelmix
