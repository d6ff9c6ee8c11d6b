// The library against the reference engine (tests/reference/): typical
// scripts on edge-case records, then random scripts on random records. Every
// observable must agree: status, length, the caller's whole buffer, keys,
// typed text and pauses, ruleset switches.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "differential.h"
#include "host/run_observer.h"
#include "keyboard/transmit.h"
#include "support.h"

namespace trelmix {
namespace {

using reference::Differential;

// Runs every record with several capacities, guarded and not, each code type
// in `codes`; the ruleset switches carry over from record to record.
void Agree(const std::string& script, const std::vector<std::string>& records, bool keyboard = false,
           std::initializer_list<std::uint32_t> codes = {0, 8, 15}) {
    platform::ScopedRecording scope;
    test::Installed<SetTransmitObject> transmit(keyboard ? &scope.recording.transmit : nullptr);
    Differential both(scope.recording, test::U16(script), keyboard);
    ASSERT_EQ(both.assignment(), "") << script;
    for (const std::string& r : records) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(r.data());
        const auto n = static_cast<std::uint32_t>(r.size());
        for (std::uint32_t code : codes) {
            for (std::uint32_t extra : {0u, 3u, 64u}) {
                for (bool guarded : {true, false}) {
                    ASSERT_EQ(both.Run(bytes, n, n + extra, guarded, code, code % 4), "")
                        << script << "\nrecord '" << r << "' code " << code << " capacity +" << extra;
                }
            }
        }
    }
}

const std::vector<std::string> kRecords = {
    "", "0", " ", "000123", "  a  b  ", "a-b-c", "RMA123456", "LOC-AB-CDE-12", "SN12345", "LOC-AB-CDEx12", "0010  20 0",
    "0109501101020917\x1d" "17250101\x1d" "10ABC\x1d" "21XY", std::string(300, 'x') + " y",
    [] {  // more separators than REPLACE_ALL keeps from its counting scan
        std::string s;
        for (int i = 0; i < 40; ++i) s += "a--\x1d\x1d";
        return s;
    }(),
};

TEST(Differential, TypicalScripts) {
    Agree(test::OneRule("CODE_LIST(15)\nWILDCARD_MATCH('01??????????????17*')",
                        "INSERT('(')\nSKIP_AHEAD(2)\nINSERT(')')\nSKIP_AHEAD(14)\nINSERT('(')\n"
                        "REPLACE_FIRST('&#x1D;', '(')\nSKIP_AHEAD(2)\nINSERT(')')") +
              test::OneRule("CODE_LIST(15)", "REPLACE_ALL('&#x1D;', ' | ')"),
          kRecords);
    Agree(test::OneRule("CODE_LIST(8)\nCODE_LENGTH(6)\nWILDCARD_MATCH('00*')", "REPLACE_FIRST('00', '')\nPAD_SPACES(4)") +
              test::OneRule("CODE_MATCH('-', 1)\nPROTOCOL_MATCH(0)", "REPLACE_ALL('-', '//')\nPREPEND('L:')") +
              test::OneRule("WILDCARD_MATCH('RMA?????\?')", "REPLACE_FIRST('RMA', 'RETURN ')") +
              test::OneRule("CODE_LIST(0, 8)", "CRUNCH_SPACES\nSKIP_START\nREMOVE_ZEROS\nAPPEND('&#x0D;&#x0A;')"),
          kRecords);
}

TEST(Differential, RulesetsStopsAndCursorEdges) {
    Agree("BEGIN_RULE\nBEGIN_ACTION\nPAD_ZEROS(0)\nSKIP_END\nINSERT('<')\nEND_ACTION\nEND_RULE\n" +
              test::OneRule("CODE_LIST(8)", "RULESET_OFF(3)\nRULESET_ON(4)") +
              "BEGIN_RULE\nSET_RULESET(3)\nBEGIN_CRITERIA\nEND_CRITERIA\nBEGIN_ACTION\nRULESET_ON(5)\n"
              "CRUNCH_SPACES\nINSERT('|')\nEND_ACTION\nEND_RULE\n"
              "BEGIN_RULE\nSET_RULESET(4)\nBEGIN_CRITERIA\nCODE_LIST(15)\nEND_CRITERIA\nEND_RULE\n" +
              test::OneRule("CODE_LIST(0)", "RULESET_ON(3)\nRULESET_OFF(4)\nSKIP_BACK(2)\nREMOVE_SPACES") +
              "BEGIN_RULE\nBEGIN_ACTION\nEND_ACTION\nEND_RULE\n",
          kRecords, false, {8, 0, 15, 0, 8});
}

// Criteria a rule's gate settles alone (length, protocol, the first eight
// bytes) beside ones it cannot; last actions that lengthen the record in the
// caller's buffer beside ones that must not (an edited record, a forward run
// that takes the APPEND in, too little room: the capacities of Agree).
TEST(Differential, GatesAndLastActionsInTheCallersBuffer) {
    // A head longer than eight bytes: 'LOC-AB-CDEx12' differs only past them.
    Agree(test::OneRule("WILDCARD_MATCH('LOC-?\?-?\?\?-*')", "APPEND('+')") +
              test::OneRule("CODE_LENGTH(5)\nWILDCARD_MATCH('RMA?????\?')", "APPEND('never')") +
              test::OneRule("CODE_LENGTH(9)\nWILDCARD_MATCH('RMA?????\?')\nPROTOCOL_MATCH(0)", "REPLACE_FIRST('RMA', '')\nPAD_ZEROS(4)") +
              test::OneRule("WILDCARD_MATCH('LOC-*')", "REPLACE_FIRST('LOC-AB-C', '')\nSKIP_AHEAD(1)\nAPPEND('!')") +
              test::OneRule("WILDCARD_MATCH('0010????0*')", "REMOVE_SPACES\nPAD_SPACES(2)") +
              test::OneRule("CODE_MATCH('0', 2)\nWILDCARD_MATCH('0*')", "INSERT('a')\nSKIP_AHEAD(1)\nAPPEND('b')") +
              test::OneRule("CODE_LENGTH(1)", "PAD_SPACES(1)") +
              test::OneRule("WILDCARD_MATCH('x*')", "REPLACE_FIRST('xxxxxxxxx', '')\nPAD_ZEROS(2)"),
          kRecords);
}

TEST(Differential, KeyboardScripts) {
    Agree(test::OneRule("", "SEND_UNTIL('-')\nSEND_EXTN('TAB')\nMOVE_AFTER('-')\nSEND_REM\nSEND_CTRL('s')") +
              test::OneRule("CODE_LIST(8)", "APPEND('!')\nSEND_ALL\nSEND_ASCII('x&#x1D;y')\nSEND_PAUSE(1)\n"
                                            "SEND_NPAD('7')\nSEND_FUNC(2)\nSEND_ALT(65)\nMOVE_BEFORE('b')\nSEND_REM"),
          kRecords, true);
}

// Random scripts of a few rules over a small alphabet, so that searches hit,
// lengths match and edits meet at the edges.
std::string RandomScript(std::mt19937& rng) {
    const auto pick = [&](std::initializer_list<const char*> from) { return *(from.begin() + rng() % from.size()); };
    const auto text = [&] { return std::string(pick({"", "a", "0", " ", "a0", "00", "-", "  ", "a-0"})); };
    const auto number = [&] { return std::to_string(pick({"0", "1", "2", "3", "7"})[0] - '0'); };
    std::string s;
    for (std::uint32_t rules = 1 + rng() % 4; rules > 0; --rules) {
        s += "BEGIN_RULE\n";
        if (rng() % 5 == 0) s += "SET_RULESET(" + std::string(pick({"1", "2", "40"})) + ")\n";
        if (rng() % 4) {
            s += "BEGIN_CRITERIA\n";
            if (rng() % 3 == 0) s += "CODE_LIST(" + std::string(pick({"1", "2", "1, 3"})) + ")\n";
            if (rng() % 4 == 0) s += "CODE_LENGTH(" + number() + ")\n";
            if (rng() % 4 == 0) s += "PROTOCOL_MATCH(" + std::string(pick({"0", "1"})) + ")\n";
            if (rng() % 4 == 0) s += "CODE_MATCH('" + text() + "', " + number() + ")\n";
            if (rng() % 4 == 0) s += "WILDCARD_MATCH('" + std::string(pick({"a*", "*0", "?a*", "a?*-", "0*0", "??", "*", "a**", "*?a", "?*0?", "a*0*", "0-*a", "a??????0*", "????????"})) + "')\n";
            s += "END_CRITERIA\n";
        }
        if (rng() % 8) {
            s += "BEGIN_ACTION\n";
            for (std::uint32_t n = rng() % 7; n > 0; --n) {
                switch (rng() % 12) {
                case 0: s += pick({"PAD_SPACES(", "PAD_ZEROS(", "SKIP_AHEAD(", "SKIP_BACK("}) + number() + ")\n"; break;
                case 1: s += pick({"REMOVE_SPACES\n", "REMOVE_ZEROS\n", "CRUNCH_SPACES\n"}); break;
                case 2: s += pick({"SKIP_START\n", "SKIP_END\n"}); break;
                case 3: case 4: s += pick({"REPLACE_FIRST('", "REPLACE_ALL('"}) + text() + "', '" + text() + "')\n"; break;
                case 5: s += pick({"MOVE_BEFORE('", "MOVE_AFTER('"}) + text() + "')\n"; break;
                case 6: case 7: s += pick({"APPEND('", "PREPEND('", "INSERT('"}) + text() + "')\n"; break;
                case 8: s += pick({"RULESET_ON(", "RULESET_OFF("}) + std::string(pick({"1", "2"})) + ")\n"; break;
                default: s += pick({"SEND_ALL\n", "SEND_REM\n", "SEND_UNTIL('0')\n", "SEND_EXTN('RET')\n"}); break;
                }
            }
            s += "END_ACTION\n";
        }
        s += "END_RULE\n";
    }
    return s;
}

// Hears every step and checks that each view of the record is whole.
class Listener final : public RunObserver {
public:
    void RunStarted(const Program&, const RecordView& r) override { Look(r); }
    void RuleReached(std::uint32_t, RuleFate, Clause, WildcardStop, const RecordView& r) override { Look(r); }
    void ActionDone(std::uint32_t, std::uint32_t, const RecordView& r) override { Look(r); }
    void RunEnded(const RunEnd&) override {}
    std::uint64_t sum = 0;

private:
    void Look(const RecordView& r) {
        for (std::int32_t i = 0; i < r.length; ++i) sum += r.bytes[i];
    }
};

// Half the rounds run observed: the path that reports each step must give
// what the library's own path gives.
TEST(Differential, RandomScriptsOnRandomRecords) {
    std::mt19937 rng(15);
    platform::ScopedRecording scope;
    test::Installed<SetTransmitObject> transmit(&scope.recording.transmit);
    Listener listener;
    for (int round = 0; round < 400; ++round) {
        test::Installed<SetRunObserver> observed(round % 4 < 2 ? &listener : nullptr);
        const std::string script = RandomScript(rng);
        Differential both(scope.recording, test::U16(script), round % 2 == 0);
        ASSERT_EQ(both.assignment(), "") << script;
        for (int n = 0; n < 12; ++n) {
            std::string record;
            for (std::uint32_t k = rng() % 12; k > 0; --k) record += "a0 -b"[rng() % 5];
            const auto length = static_cast<std::uint32_t>(record.size());
            const std::uint32_t code = rng() % 4;
            ASSERT_EQ(both.Run(reinterpret_cast<const std::uint8_t*>(record.data()), length, length + rng() % 6,
                               rng() % 4 != 0, code, rng() % 2),
                      "")
                << script << "\nrecord '" << record << "' code " << code;
        }
    }
}

}  // namespace
}  // namespace trelmix
