#include "generator.h"

#include <initializer_list>
#include <string_view>

#include "keyboard/emulation.h"
#include "script/keywords.h"

namespace trelmix::reference {

std::uint32_t Choices::Below(std::uint32_t n) {
    if (n <= 1) return 0;
    if (random_) return static_cast<std::uint32_t>(rng_() % n);
    std::uint32_t v = 0;
    for (std::uint32_t range = 1; range < n && range < (1u << 24); range <<= 8) {
        v = v << 8 | (at_ < size_ ? bytes_[at_++] : 0u);
    }
    return v % n;
}

namespace {

using Words = std::initializer_list<const char*>;

const char* Pick(Choices& c, Words from) { return *(from.begin() + c.Below(static_cast<std::uint32_t>(from.size()))); }

// Texts that occur in the records, escapes and the Alt prefix among them.
std::string Text(Choices& c) {
    return Pick(c, {"", "a", "0", " ", "A", "a0", "00", "-", "  ", "a-0", "B", "|", "x", "&#x1D;", "&#x12;S", "Ab",
                    "&#x41;", "\\'", "a\\b"});
}

std::string Number(Choices& c, std::string_view keyword, std::string_view param) {
    if (keyword == "SEND_PAUSE") return Pick(c, {"0", "1"});  // recorded, never slept: still kept short
    if (keyword == "SEND_FUNC") return Pick(c, {"0", "1", "12", "13", "24", "25", "65536"});
    if (keyword.find("RULESET") != keyword.npos) return Pick(c, {"1", "2", "3", "31", "32", "0", "40"});
    if (param == "code") return Pick(c, {"65", "97", "9", "13", "115", "255", "256", "266", "65601"});
    if (param == "type") return Pick(c, {"0", "1", "2", "3", "8", "15", "4294967295"});
    if (param == "protocol") return Pick(c, {"0", "1"});
    return Pick(c, {"0", "1", "2", "3", "4", "7", "12", "2147483648", "4294967295"});
}

std::string Quoted(Choices& c, std::string_view keyword) {
    std::string t;
    if (keyword == "SEND_EXTN") {
        const auto keys = NamedKeys();
        t = c.OneIn(4) ? Pick(c, {"ret", "RETURN", "TA", "F1", "ENTER", "PGX", ""})
                       : std::string(keys[c.Below(static_cast<std::uint32_t>(keys.size()))].name);
    } else if (keyword == "SEND_NPAD") {
        t = Pick(c, {"0", "5", "9", ".", "a", ""});
    } else if (keyword.starts_with("SEND_") && keyword != "SEND_ASCII") {  // one key: ALT, WIN, CTRL, UNTIL
        t = Pick(c, {"a", "Z", "s", "5", "-", "%", " ", "", "ab", "&#x1D;"});
    } else if (keyword == "WILDCARD_MATCH") {
        t = Pick(c, {"a*", "*0", "?a*", "a?*-", "0*0", "??", "*", "a**", "*?a", "?*0?", "a*0*", "A*", "&#x12;*",
                     "a??????0*", "????????", "*a*0", "0*a*-"});
    } else {
        t = Text(c);
    }
    return "'" + t + "'";
}

// The arguments of a keyword from its synopsis: 'quoted' texts, numbers,
// "'key' or code" either, and "..." for more numbers.
std::string Arguments(Choices& c, const KeywordInfo& k) {
    const std::size_t open = k.synopsis.find('(');
    if (open == std::string_view::npos) return "";
    std::string_view rest = k.synopsis.substr(open + 1, k.synopsis.size() - open - 2);
    std::string out = "(";
    for (bool first = true; !rest.empty(); first = false) {
        const std::size_t comma = rest.find(", ");
        const std::string_view param = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 2);
        if (param == "...") {
            for (std::uint32_t n = c.Below(3); n > 0; --n) out += ", " + Number(c, k.name, "type");
            continue;
        }
        if (!first) out += ", ";
        const bool quoted = param.starts_with('\'');
        const bool either = param.find(" or ") != std::string_view::npos;
        out += quoted && !(either && c.OneIn(2)) ? Quoted(c, k.name) : Number(c, k.name, either ? "code" : param);
    }
    return out + ")";
}

std::vector<const KeywordInfo*> Rows(Block block, bool keyboard) {
    std::vector<const KeywordInfo*> rows;
    for (const KeywordInfo& k : Keywords()) {
        const bool structure = k.name.starts_with("BEGIN_") || k.name.starts_with("END_") || k.name == "SET_RULESET";
        if (k.block == block && !structure && (keyboard || !k.keyboardOnly)) rows.push_back(&k);
    }
    return rows;
}

std::string Line(Choices& c, const KeywordInfo& k) {
    std::string line = std::string(k.name) + Arguments(c, k);
    if (c.OneIn(40)) line = "  " + line;
    if (c.OneIn(60)) line[0] = static_cast<char>(line[0] + 32);  // not a keyword: a comment
    return line + "\n";
}

// Two to four actions that run as one forward pass: edits (INSERT,
// REPLACE_FIRST, APPEND) with moves and skips between them.
std::string ForwardRun(Choices& c) {
    std::string s;
    std::uint32_t edits = 0;
    for (std::uint32_t n = 2 + c.Below(3), i = 0; i < n || edits < 2; ++i) {
        const bool edit = edits < 2 && i + 2 >= n ? true : c.OneIn(2);
        if (edit) {
            ++edits;
            switch (c.Below(3)) {
            case 0: s += "INSERT('" + Text(c) + "')\n"; break;
            case 1: s += "REPLACE_FIRST('" + Text(c) + "', '" + Text(c) + "')\n"; break;
            default: s += "APPEND('" + Text(c) + "')\n"; break;
            }
        } else {
            switch (c.Below(3)) {
            case 0: s += "MOVE_AFTER('" + Text(c) + "')\n"; break;
            case 1: s += "MOVE_BEFORE('" + Text(c) + "')\n"; break;
            default: s += "SKIP_AHEAD(" + std::string(Pick(c, {"0", "1", "2", "5"})) + ")\n"; break;
            }
        }
    }
    return s;
}

std::string BlockOf(Choices& c, const char* name, const std::vector<const KeywordInfo*>& rows, std::uint32_t most,
                    bool forward) {
    std::string s = std::string("BEGIN_") + name + "\n";
    for (std::uint32_t n = c.Below(most + 1); n > 0; --n) {
        if (forward && c.OneIn(4)) {
            s += ForwardRun(c);
        } else {
            s += Line(c, *rows[c.Below(static_cast<std::uint32_t>(rows.size()))]);
        }
    }
    if (!c.OneIn(50)) s += std::string("END_") + name + "\n";
    return s;
}

}  // namespace

std::string GenerateScript(Choices& c, bool keyboard) {
    const auto criteria = Rows(Block::Criteria, keyboard);
    const auto actions = Rows(Block::Action, keyboard || c.OneIn(20));
    std::string s;
    if (c.OneIn(10)) s += "# generated\n";
    // Now and then a first rule that switches ruleset 2 off and lets the run
    // go on, so that the rules of ruleset 2 are passed by until one is on.
    if (c.OneIn(8)) s += "BEGIN_RULE\nBEGIN_ACTION\nRULESET_OFF(2)\nEND_ACTION\nEND_RULE\n";
    std::string ruleset;  // the last rule's, that the next takes now and then
    for (std::uint32_t rules = 1 + c.Below(4); rules > 0; --rules) {
        s += "BEGIN_RULE\n";
        if (c.OneIn(4)) {
            if (ruleset.empty() || c.OneIn(2)) ruleset = Number(c, "SET_RULESET", "number");
            s += "SET_RULESET(" + ruleset + ")\n";
        }
        const std::string when = c.Below(4) ? BlockOf(c, "CRITERIA", criteria, 3, false) : "";
        const std::string what = c.Below(8) ? BlockOf(c, "ACTION", actions, 6, true) : "";
        s += c.OneIn(12) ? what + when : when + what;  // now and then out of order
        if (c.OneIn(40)) s += Line(c, *actions[c.Below(static_cast<std::uint32_t>(actions.size()))]);
        s += "END_RULE\n";
    }
    return s;
}

std::string GenerateRecord(Choices& c) {
    static constexpr char kAlphabet[] = "a0 -bAB|x\x1d";
    std::string r;
    if (c.OneIn(4)) r = std::string("\x12") + "SAa2-@[\\]z"[c.Below(10)];
    for (std::uint32_t n = c.Below(13); n > 0; --n) r += kAlphabet[c.Below(sizeof kAlphabet - 1)];
    // Now and then one longer than a text typed from the stack, with more
    // matches of a text than REPLACE_ALL keeps from its counting scan.
    if (c.OneIn(40)) {
        for (std::uint32_t n = 256 + c.Below(64); n > 0; --n) r += "a-\x1d"[c.Below(3)];
    }
    return r;
}

void Mutate(Choices& c, std::string& text) {
    for (std::uint32_t n = 1 + c.Below(4); n > 0; --n) {
        const std::size_t at = c.Below(static_cast<std::uint32_t>(text.size() + 1));
        const char byte = static_cast<char>(Pick(c, {"(", ")", "'", ",", "\n", " ", "\\", "&", "#", "_", "9"})[0]);
        switch (c.Below(4)) {
        case 0:
            if (at < text.size()) text[at] = byte;
            break;
        case 1:
            if (at < text.size()) text.erase(at, 1);
            break;
        case 2:
            if (at < text.size()) text.insert(at, 1, text[at]);
            break;
        default: text.insert(at, 1, byte); break;
        }
    }
}

GeneratedCase GenerateCase(Choices& c) {
    GeneratedCase g;
    g.keyboard = c.OneIn(2);
    g.script = GenerateScript(c, g.keyboard);
    if (c.OneIn(3)) Mutate(c, g.script);
    for (std::uint32_t n = 1 + c.Below(8); n > 0; --n) g.records.push_back(GenerateRecord(c));
    return g;
}

}  // namespace trelmix::reference
