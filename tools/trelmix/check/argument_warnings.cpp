// Arguments the compiler accepts but whose action does nothing (or less than
// written): send keys that press or type nothing on the simulated host's US
// layout, and pads that the rule's own CODE_LENGTH never lets pad.
#include <cstring>

#include "check/warning_checks.h"
#include "common/ascii.h"
#include "common/key_names.h"
#include "keyboard/emulation.h"
#include "platform/us_layout.h"

namespace trelmix::cli {

namespace {

std::string Span(TextSpan s) { return Shown({s.text, s.length}); }

std::string Upper(const ByteArg& bytes) {
    std::string out;
    for (std::uint8_t b : bytes.bytes) {
        if (b != ' ' && b != '_') out.push_back(static_cast<char>(AsciiUpper(b)));
    }
    return out;
}

std::u16string Wide(std::string_view s) { return {s.begin(), s.end()}; }

// The key an author most likely meant by a name SEND_EXTN does not know.
const NamedKey* NearestKeyName(const ByteArg& bytes) {
    const std::string written = Upper(bytes);
    for (const NamedKey& k : NamedKeys()) {  // the name in another case
        if (written.compare(0, 3, k.name) == 0) return &k;
    }
    for (const NamedKey& k : NamedKeys()) {  // the key's own name: ENTER, PAGE UP
        std::string own;
        for (char ch : VirtualKeyName(k.virtualKey)) {
            if (ch != ' ') own.push_back(ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch);
        }
        if (written == own || (own.size() >= 4 && EditDistance(Wide(written), Wide(own), 1) <= 1)) return &k;
    }
    for (const NamedKey& k : NamedKeys()) {  // a near miss of the three letters
        if (written.size() >= 3 && EditDistance(Wide(written.substr(0, 3)), Wide(k.name), 1) <= 1) return &k;
    }
    return nullptr;
}

// F1 .. F24 written as a key's text: its function-key number, else 0.
unsigned FunctionKey(const std::string& upper) {
    if (upper.size() < 2 || upper.size() > 3 || upper[0] != 'F') return 0;
    unsigned n = 0;
    for (std::size_t i = 1; i < upper.size(); ++i) {
        if (upper[i] < '0' || upper[i] > '9') return 0;
        n = n * 10 + static_cast<unsigned>(upper[i] - '0');
    }
    return n >= 1 && n <= 24 ? n : 0;
}

void CheckKeyName(const KeywordLine& k, const ByteArg& bytes, Findings& out) {
    for (const NamedKey& key : NamedKeys()) {
        if (bytes.bytes.size() >= 3 && std::memcmp(bytes.bytes.data(), key.name, 3) == 0) return;
    }
    const TextSpan arg = k.args[0];
    std::string why = "key names have three letters";
    if (bytes.bytes.size() >= 3) {
        why = "no key is named " + Quoted(QuotedContent(arg).substr(0, 3)) +
              " (only the first three letters count, and case matters)";
    }
    std::string hint;
    std::vector<Fix> fixes;
    if (const NamedKey* key = NearestKeyName(bytes)) {
        hint = "did you mean '" + std::string(key->name) + "' (" + VirtualKeyName(key->virtualKey) + ")?";
        if (arg.length >= 2 && arg[0] == u'\'') fixes.push_back({arg.text + 1, arg.end() - 1, key->name});
    } else if (const unsigned f = FunctionKey(Upper(bytes))) {
        hint = "for F" + std::to_string(f) + " write SEND_FUNC(" + std::to_string(f) + ")";
    } else {
        hint = "the key names are";
        for (const NamedKey& key : NamedKeys()) hint += std::string(" ") + key.name;
    }
    out.push_back({arg.text, Code::SendKeyName, "SEND_EXTN(" + Span(arg) + ") presses nothing: " + why, hint, arg.end(),
                   std::move(fixes)});
}

// SEND_ALT, SEND_CTRL, SEND_WIN, SEND_NPAD, SEND_ASCII and SEND_UNTIL with a
// quoted text: what of it is used.
void CheckKeyText(const KeywordLine& k, const ByteArg& bytes, Findings& out) {
    const KeyArgument key = k.keyword.key;
    const TextSpan arg = k.args[0];
    const std::u16string_view content = QuotedContent(arg);
    const std::string written = k.Name() + "(" + Span(arg) + ")";
    auto warn = [&](Code code, const std::string& what, const std::string& hint) {
        out.push_back({arg.text, code, written + " " + what, hint, arg.end()});
    };
    if (bytes.bytes.empty()) {
        if (key == KeyArgument::Text)
            return warn(Code::SendEmpty, "types nothing: the text is empty", "write the text between the quotes");
        if (key == KeyArgument::Delimiter)
            return warn(Code::SendEmpty, "types nothing: the delimiter is empty", "write one character, like ','");
        return warn(Code::SendEmpty, "presses nothing: the text names no key", "write the key between the quotes");
    }
    if (key == KeyArgument::Text) return;
    const char16_t first = bytes.bytes[0];
    const bool modifier = !k.keyword.modifier.empty();
    const std::string mod(k.keyword.modifier);
    if (key == KeyArgument::LetterOrDigit) {
        const char16_t c = first >= u'A' && first <= u'Z' ? static_cast<char16_t>(first + 32) : first;
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))) {
            return warn(Code::SendNoKey, "presses nothing: SEND_ALT takes a letter or a digit",
                        "for another key write its virtual-key number, like SEND_ALT(115) for Alt+F4");
        }
    } else if (modifier) {
        const std::int16_t scan = platform::UsVkKeyScan(first);
        if (scan == -1) {
            return warn(Code::SendNoKey,
                        "presses nothing: no key of the US layout types " + Quoted(std::u16string_view(&first, 1)),
                        "write the key's virtual-key number instead");
        }
        if ((scan & 0x100) && !(first >= u'A' && first <= u'Z')) {
            warn(Code::SendNoShift,
                 "presses " + mod + "+" + VirtualKeyName(static_cast<std::uint32_t>(scan & 0xFF)) +
                     ": the key that types " + Quoted(std::u16string_view(&first, 1)) + " is pressed without Shift",
                 "no keyword adds Shift to " + k.Name());
        }
    } else if (key == KeyArgument::KeypadKey && !((first >= u'0' && first <= u'9') || first == u'.')) {
        return warn(Code::SendNoKey, "presses nothing: the keypad keys it presses are '0' to '9' and '.'",
                    "to type the character, write SEND_ASCII(" + Span(arg) + ")");
    }
    if (bytes.bytes.size() > 1) {
        const unsigned f = FunctionKey(Upper(bytes));
        std::string hint = "write one character";
        if (f && modifier) {
            hint = "for " + mod + "+F" + std::to_string(f) + " write " + k.Name() + "(" + std::to_string(111 + f) + ")";
        } else if (key == KeyArgument::KeypadKey) {
            hint = "write one SEND_NPAD per key";
        }
        warn(Code::SendFirstCharacter,
             "uses only the first character, " + Quoted(content.substr(0, 1)) + ": the rest (" +
                 Quoted(content.substr(1)) + ") is ignored",
             hint);
    }
}

// SEND_ALT, SEND_CTRL, SEND_WIN and SEND_ASCII with a number.
void CheckKeyNumber(const KeywordLine& k, const ByteArg& bytes, Findings& out) {
    const TextSpan arg = k.args[0];
    const auto value = static_cast<std::uint32_t>(ParseDecimalBytes(bytes));
    const std::string written = k.Name() + "(" + Span(arg) + ")";
    const bool ascii = k.keyword.key == KeyArgument::Text;
    std::string what;
    std::string hint;
    Code code = Code::SendCodeRange;
    if (ParseDecimalBytes(bytes) < 0) {
        code = Code::SendNumberBlank;
        what = (ascii ? "types the character 255 ('\u00FF'): " : "presses nothing: ") + Quoted({arg.text, arg.length}) +
               " holds a blank, so it is not read as a number";
        hint = "remove the blank";
    } else if (ascii && value > 255) {
        const char16_t low = static_cast<char16_t>(value & 0xFF);
        what = "types the character " + std::to_string(value & 0xFF) + " (" + Quoted({&low, 1}) +
               "): only the low 8 bits of the number count";
        hint = "write a number from 0 to 255";
    } else if (!ascii && (value & 0xFFFF) > 255) {
        what = "presses nothing: virtual-key numbers run from 0 to 255";
        hint = "write the key's virtual-key number, like 115 for F4";
    } else {
        return;
    }
    out.push_back({arg.text, code, written + " " + what, hint, arg.end()});
}

}  // namespace

void CheckSendArguments(const KeywordLine& k, Findings& out) {
    if (!k.keyword.keyboardOnly || !k.listOk) return;
    const KeyArgument key = k.keyword.key;
    const TextSpan arg = k.args[0];
    if (key == KeyArgument::FunctionKey) {
        std::uint32_t n = 0;
        ParseNumber(arg, n);
        const auto key = static_cast<std::uint16_t>(n);
        if (key < 1 || key > 24) {
            out.push_back({arg.text, Code::SendFuncRange,
                           "SEND_FUNC(" + Span(arg) + ") presses nothing: function keys run from F1 to F24",
                           "write a number from 1 to 24", arg.end()});
        }
        return;
    }
    if (key == KeyArgument::Seconds) return;
    if (key == KeyArgument::LetterOrDigit && k.args.size() > 1) {
        out.push_back({k.args[1].text, Code::SendAltExtra,
                       "SEND_ALT uses its first argument only; the others are ignored", "write one SEND_ALT per key",
                       k.args.back().end()});
    }
    const ByteArg bytes = ArgumentBytes(k.keyword, arg);
    if (key == KeyArgument::KeyName) return CheckKeyName(k, bytes, out);
    if (bytes.isNumber) return CheckKeyNumber(k, bytes, out);
    CheckKeyText(k, bytes, out);
}

// ---- pads -----------------------------------------------------------------------

namespace {

// The rule's action lines, from its BEGIN_RULE (first) to its END_RULE (last):
// the longest the data can be when each runs, from the rule's CODE_LENGTH.
void CheckRulePads(const CompiledText& c, const Rule& rule, std::size_t first, std::size_t last, Findings& out) {
    if (!rule.criteria || rule.criteria->length == kUnset) return;
    const std::uint32_t length = rule.criteria->length;
    std::uint64_t most = length;
    for (std::size_t i = first + 1; i < last; ++i) {
        const KeywordLine k(*c.report.statements[i].keyword, c.report.statements[i].at);
        if (!k.listOk || !k.keyword.action) continue;
        const Growth growth = GrowthOf(*k.keyword.action);
        if (growth == Growth::Count) {
            std::uint32_t count = 0;
            ParseNumber(k.args[0], count);
            if (count > 0x7FFFFFFFu) return;  // a negative count: not followed here
            if (count <= most) {
                most += count;
                continue;
            }
            const std::string fill = *k.keyword.action == ActionKind::PadSpace ? " spaces" : " zeros";
            const std::string n = std::to_string(count);
            std::string hint = k.Name() + " adds bytes, it does not pad to a width";
            if (most == length && count - length <= length) {
                hint += ": to make " + std::to_string(length) + " bytes " + n + ", write " + k.Name() + "(" +
                        std::to_string(count - length) + ")";
            }
            out.push_back({k.args[0].text, Code::PadNeverPads,
                           k.Name() + "(" + n + ") never pads: it adds " + n + fill + " only to data of at least " + n +
                               " bytes, and under this rule's CODE_LENGTH(" + std::to_string(length) +
                               ") the data here has " + (most == length ? "" : "at most ") + std::to_string(most) +
                               " bytes",
                           hint, k.args[0].end()});
        } else if (growth == Growth::Text) {
            most += ArgumentBytes(k.keyword, k.args[0]).bytes.size();
        } else if (growth == Growth::ReplaceOnce || growth == Growth::ReplaceEach) {
            const std::size_t from = ArgumentBytes(k.keyword, k.args[0]).bytes.size();
            const std::size_t to = ArgumentBytes(k.keyword, k.args[1]).bytes.size();
            if (to <= from) continue;
            if (from == 0) return;
            most += (growth == Growth::ReplaceOnce ? 1 : most / from) * (to - from);
        }
    }
}

}  // namespace

void CheckPads(const CompiledText& c, Findings& out) {
    const auto& lines = c.report.statements;
    const std::size_t read = lines.size() - (c.report.rejected ? 1 : 0);
    std::size_t rule = 0;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < read; ++i) {
        const KeywordInfo& keyword = *lines[i].keyword;
        if (keyword.block == Block::Outside) begin = i;  // BEGIN_RULE
        if (keyword.after == Block::Outside && keyword.Closes() && rule < c.script.rules.size())
            CheckRulePads(c, c.script.rules[rule++], begin, i, out);
    }
}

}  // namespace trelmix::cli
