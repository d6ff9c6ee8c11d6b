#include "learn/edits.h"

#include <algorithm>
#include <optional>
#include <set>

#include "common/human_output.h"
#include "common/record_escapes.h"
#include "script/keywords.h"

namespace trelmix::learn {

namespace {

constexpr std::size_t npos = Text::npos;

struct State {
    Text m;
    std::size_t c = 0;
    Outcome out;
    bool typing = false;  // the last line is a typed one that goes on

    void Type(const Text& t) {
        if (t.empty()) return;
        if (!typing) out.lines.emplace_back();
        typing = true;
        typed += t;
        out.lines.back() =
            "typed \"" + cli::EscapeBytes(reinterpret_cast<const std::uint8_t*>(typed.data()), typed.size()) + "\"";
    }
    void Line(const std::string& line) {
        typing = false;
        typed.clear();
        out.lines.push_back(line);
    }
    Text typed;
};

void Step(State& s, const Action& a) {
    Text& m = s.m;
    std::size_t& c = s.c;
    switch (a.op) {
    case Op::Prepend: {
        const std::size_t before = m.size();
        m.insert(0, a.a);
        c = a.a.size() < before ? a.a.size() : 0;
        break;
    }
    case Op::Append:
        m += a.a;
        c = m.size();
        break;
    case Op::Insert: {
        const std::size_t at = std::min(c, m.size());
        m.insert(at, a.a);
        c = at + a.a.size();
        break;
    }
    case Op::SkipAhead:
        if (c + a.n < m.size()) c += a.n;
        break;
    case Op::SkipBack:
        if (a.n <= c) c -= a.n;
        break;
    case Op::SkipStart: c = 0; break;
    case Op::SkipEnd: c = m.empty() ? 0 : m.size() - 1; break;
    case Op::ReplaceFirst: {
        if (a.a.empty() || c > m.size()) break;
        const std::size_t p = m.find(a.a, c);
        if (p == npos) break;
        m.replace(p, a.a.size(), a.b);
        c = p + a.b.size();
        break;
    }
    case Op::ReplaceAll: {
        if (a.a.empty() || c > m.size()) break;
        std::size_t p = m.find(a.a, c);
        while (p != npos) {
            m.replace(p, a.a.size(), a.b);
            c = p + a.b.size();
            p = m.find(a.a, c);
        }
        break;
    }
    case Op::MoveAfter:
    case Op::MoveBefore: {
        if (a.a.empty() || c > m.size()) break;
        const std::size_t p = m.find(a.a, c);
        if (p != npos) c = a.op == Op::MoveAfter ? p + a.a.size() : p;
        break;
    }
    case Op::RemoveSpaces:
    case Op::RemoveZeros: {
        if (c >= m.size()) break;
        const char gone = a.op == Op::RemoveSpaces ? ' ' : '0';
        m.erase(std::remove(m.begin() + static_cast<std::ptrdiff_t>(c), m.end(), gone), m.end());
        break;
    }
    case Op::CrunchSpaces: {
        Text t;
        for (char ch : m) {
            if (ch == ' ' && !t.empty() && t.back() == ' ') continue;
            t += ch;
        }
        m = t;
        break;
    }
    case Op::SendAll:
        s.Type(m);
        c = 0;
        break;
    case Op::SendRem:
        if (c < m.size()) s.Type(m.substr(c));
        break;
    case Op::SendUntil: {
        if (a.a.empty() || c >= m.size()) break;
        const std::size_t p = m.find(a.a[0], c);
        if (p != npos) s.Type(m.substr(c, p - c));
        break;
    }
    case Op::SendText: s.Type(a.a); break;
    case Op::SendKey: s.Line(a.b); break;
    }
}

std::string Plain(const Text& t) {
    std::string s;
    for (unsigned char ch : t) {
        if (ch == '\'')
            s += "\\'";
        else if (ch >= 0x20 && ch < 0x7F && ch != '&' && ch != '\\')
            s += static_cast<char>(ch);
        else {
            static const char* hex = "0123456789ABCDEF";
            s += "&#x";
            s += hex[ch >> 4];
            s += hex[ch & 15];
            s += ';';
        }
    }
    return s;
}

bool Printable(const Text& t) {
    return std::all_of(t.begin(), t.end(),
                       [](char ch) { return ch >= 0x20 && ch < 0x7F && ch != '&' && ch != '\\' && ch != '\''; });
}

// A byte SEND_UNTIL can stop at, written as it is between the quotes (send
// texts undo no &#x..; escape): an ASCII character or control byte, but not
// a line break, the quote or the backslash. Fields split by a group
// separator are typed up to it.
bool UntilDelimiter(char ch) { return ch > 0 && ch < 0x7F && ch != '\r' && ch != '\n' && ch != '\'' && ch != '\\'; }

Text Strip(const Text& r, char fill) {
    std::size_t k = 0;
    while (k + 1 < r.size() && r[k] == fill) ++k;
    return r.substr(k);
}

double TextCost(const Text& t) { return 0.01 * static_cast<double>(t.size()); }

double Cost(const std::vector<Action>& actions) {
    double cost = 0;
    for (const Action& a : actions) {
        switch (a.op) {
        case Op::ReplaceFirst: cost += 1.1 + TextCost(a.a) + TextCost(a.b); break;
        case Op::ReplaceAll: cost += 1.0 + TextCost(a.a) + TextCost(a.b); break;
        case Op::MoveAfter: cost += 1.2 + 0.05 * static_cast<double>(a.a.size()); break;
        case Op::MoveBefore: cost += 1.3 + 0.05 * static_cast<double>(a.a.size()); break;
        case Op::SendText: cost += 1.5 + TextCost(a.a); break;
        default: cost += 1.0 + TextCost(a.a);
        }
    }
    return cost;
}

// Where the bytes of `from` stand in `to`, leftmost or rightmost; the text
// between them was inserted.
std::optional<std::vector<std::size_t>> Align(const Text& from, const Text& to, bool leftmost) {
    std::vector<std::size_t> at(from.size());
    if (leftmost) {
        std::size_t j = 0;
        for (std::size_t i = 0; i < from.size(); ++i, ++j) {
            while (j < to.size() && to[j] != from[i]) ++j;
            if (j == to.size()) return std::nullopt;
            at[i] = j;
        }
    } else {
        std::size_t j = to.size();
        for (std::size_t i = from.size(); i-- > 0;) {
            while (j > 0 && to[j - 1] != from[i]) --j;
            if (j == 0) return std::nullopt;
            at[i] = --j;
        }
    }
    return at;
}

struct Insertion {
    std::size_t at;  // before this byte of the record
    Text text;
};

// Where an insert is placed: an offset from the start, after the text before
// it, before the text after it, or an offset from the end (one insert only).
enum class Anchor { Start, After, Before, End };

// Inserts as actions, each placed by `anchor`.
std::optional<std::vector<Action>> Place(const Text& m, const std::vector<Insertion>& ins, Anchor anchor) {
    std::vector<Action> out, tail;
    std::size_t cursor = 0;
    std::size_t inner = 0;
    for (const Insertion& i : ins) inner += i.at > 0 && i.at < m.size();
    if (anchor == Anchor::End && inner != 1) return std::nullopt;
    for (const Insertion& i : ins) {
        if (i.at == 0) {
            tail.insert(tail.begin(), Action{Op::Prepend, i.text, {}, 0});
            continue;
        }
        if (i.at == m.size()) {
            tail.push_back(Action{Op::Append, i.text, {}, 0});
            continue;
        }
        if (anchor == Anchor::Start) {
            out.push_back(Action{Op::SkipAhead, {}, {}, static_cast<std::uint32_t>(i.at - cursor)});
        } else if (anchor == Anchor::End) {
            out.push_back(Action{Op::SkipEnd, {}, {}, 0});
            if (m.size() - i.at > 1)
                out.push_back(Action{Op::SkipBack, {}, {}, static_cast<std::uint32_t>(m.size() - i.at - 1)});
        } else {
            bool found = false;
            for (std::size_t len = 1; len <= 4 && !found; ++len) {
                if (anchor == Anchor::After && len <= i.at - cursor) {
                    const Text ctx = m.substr(i.at - len, len);
                    if (m.find(ctx, cursor) + len == i.at) {
                        out.push_back(Action{Op::MoveAfter, ctx, {}, 0});
                        found = true;
                    }
                } else if (anchor == Anchor::Before && i.at + len <= m.size()) {
                    const Text ctx = m.substr(i.at, len);
                    if (m.find(ctx, cursor) == i.at) {
                        out.push_back(Action{Op::MoveBefore, ctx, {}, 0});
                        found = true;
                    }
                }
            }
            if (!found) return std::nullopt;
        }
        out.push_back(Action{Op::Insert, i.text, {}, 0});
        cursor = i.at;
    }
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

std::string Describe(const Text& r, const Text& o) {
    return "\"" + Show(r).substr(1, Show(r).size() - 2) + "\" -> \"" + Show(o).substr(1, Show(o).size() - 2) + "\"";
}

// Edits that give exactly `o` from `r`: removals, replacements, inserts.
std::vector<Edit> RecordEdits(const Text& r, const Text& o) {
    std::vector<Edit> edits;
    const std::string from = Describe(r, o);
    const auto add = [&](std::vector<Action> actions, const std::string& how) {
        Edit e;
        e.actions = std::move(actions);
        e.cost = Cost(e.actions);
        e.how = how + " (" + from + ")";
        edits.push_back(std::move(e));
    };
    if (r == o) {
        add({}, "the record comes back as it is");
        return edits;
    }
    // Removals of every space, zero, or runs of spaces, then inserts.
    const std::pair<Op, const char*> cores[] = {{Op::RemoveSpaces, "spaces removed"},
                                                {Op::CrunchSpaces, "runs of spaces made one"},
                                                {Op::RemoveZeros, "zeros removed"}};
    std::vector<std::pair<std::vector<Action>, std::string>> bases = {{{}, "aligned"}};
    for (const auto& [op, words] : cores) {
        const std::vector<Action> core = {Action{op, {}, {}, 0}};
        if (Simulate(core, r).record != r) bases.push_back({core, std::string(words) + ", then aligned"});
    }
    for (const auto& [core, words] : bases) {
        const Text m = Simulate(core, r).record;
        if (m == o) {
            add(core, words);
            continue;
        }
        std::set<std::vector<Action>> seen;
        for (bool leftmost : {true, false}) {
            const auto at = Align(m, o, leftmost);
            if (!at && !m.empty()) continue;
            std::vector<Insertion> ins;
            std::size_t next = 0;
            for (std::size_t i = 0; i <= m.size(); ++i) {
                const std::size_t here = i < m.size() ? (*at)[i] : o.size();
                if (here > next) ins.push_back({i, o.substr(next, here - next)});
                next = here + 1;
            }
            if (ins.size() > 8) continue;
            for (Anchor anchor : {Anchor::Start, Anchor::After, Anchor::Before, Anchor::End}) {
                const auto placed = Place(m, ins, anchor);
                if (!placed) continue;
                std::vector<Action> all = core;
                all.insert(all.end(), placed->begin(), placed->end());
                if (!seen.insert(all).second) continue;
                add(all, words);
            }
        }
    }
    // A fixed text replaced everywhere or once, with text in front or behind.
    std::set<Text> tried;
    for (std::size_t len = 1; len <= 6; ++len) {
        for (std::size_t start = 0; start + len <= r.size(); ++start) {
            const Text a = r.substr(start, len);
            if (!tried.insert(a).second) continue;
            std::vector<Text> pieces;
            std::size_t p = 0, q;
            while ((q = r.find(a, p)) != npos) {
                pieces.push_back(r.substr(p, q - p));
                p = q + len;
            }
            pieces.push_back(r.substr(p));
            const std::size_t n = pieces.size() - 1;
            std::size_t kept = 0;
            for (const Text& piece : pieces) kept += piece.size();
            const Text& head = pieces.front();
            const Text rest = r.substr(r.find(a) + len);
            for (std::size_t i = 0; i <= std::min<std::size_t>(o.size(), 8); ++i) {
                for (std::size_t j = 0; i + j <= o.size() && j <= 8; ++j) {
                    const Text x = o.substr(i, o.size() - i - j);
                    if (x.compare(0, head.size(), head) != 0 || x.size() < head.size()) continue;
                    // No text in front that only moves the replaced text along: 'ACME'
                    // made 'CME/' behind an 'A' keeps 'ACME', an insert after it.
                    if (i && head.empty() && (o.substr(0, i) + x).compare(0, len, a) == 0) continue;
                    std::vector<Action> affix;
                    if (i) affix.push_back(Action{Op::Prepend, o.substr(0, i), {}, 0});
                    if (j) affix.push_back(Action{Op::Append, o.substr(o.size() - j), {}, 0});
                    // everywhere
                    if (x.size() >= kept && (x.size() - kept) % n == 0) {
                        const Text b = x.substr(head.size(), (x.size() - kept) / n);
                        Text joined = pieces[0];
                        for (std::size_t k = 1; k < pieces.size(); ++k) joined += b + pieces[k];
                        if (joined == x && b.find(a) == npos) {
                            std::vector<Action> all = {Action{Op::ReplaceAll, a, b, 0}};
                            all.insert(all.end(), affix.begin(), affix.end());
                            add(all, "every " + Show(a) + " replaced");
                            if (start == 0) edits.back().cost += 0.2;  // at the start: more likely the first only
                        }
                    }
                    // the first one
                    if (x.size() >= head.size() + rest.size() &&
                        x.compare(x.size() - rest.size(), rest.size(), rest) == 0) {
                        const Text b = x.substr(head.size(), x.size() - head.size() - rest.size());
                        if (b.find(a) == npos) {
                            std::vector<Action> all = {Action{Op::ReplaceFirst, a, b, 0}};
                            all.insert(all.end(), affix.begin(), affix.end());
                            add(all, "the first " + Show(a) + " replaced");
                        }
                    }
                }
            }
        }
    }
    // Padding to a width, and leading zeros stripped: a rule per length or count.
    if (o.size() > r.size()) {
        // Zeros and spaces are the usual fill; another byte is more likely a prefix.
        const auto pad = [&](Edit::Kind kind, char fill, bool matches, const char* where) {
            if (!matches) return;
            Edit e;
            e.kind = kind;
            e.fill = fill;
            e.width = o.size();
            e.cost = fill == '0' || fill == ' ' ? 1.2 : 2.5;
            e.how =
                std::string("padded ") + where + " to " + cli::Plural(o.size(), "byte", "bytes") + " (" + from + ")";
            edits.push_back(e);
        };
        const std::size_t extra = o.size() - r.size();
        pad(Edit::Kind::PadFront, o[0], o.compare(extra, r.size(), r) == 0 && o.find_first_not_of(o[0]) >= extra,
            "in front");
        pad(Edit::Kind::PadBack, o.back(),
            o.compare(0, r.size(), r) == 0 && o.find_first_not_of(o.back(), r.size()) == npos, "at the end");
    }
    if (!r.empty() && r[0] == '0' && Strip(r, '0') == o) {
        Edit e;
        e.kind = Edit::Kind::StripLeading;
        e.fill = '0';
        e.width = std::max<std::size_t>(4, r.size() - o.size());
        e.cost = 1.3;
        e.how = "leading zeros stripped (" + from + ")";
        edits.push_back(e);
    }
    return edits;
}

// How the cursor moves between typed fields: after the text between them,
// after its last byte, or by an offset.
enum class Seek { Gap, LastByte, Offset };

// Send actions that type and press `lines` from the record `m`.
std::optional<std::vector<Action>> Sends(const Text& m, const std::vector<std::string>& lines,
                                         const std::map<std::string, std::string>& keys, Seek seek) {
    std::vector<Action> out;
    std::size_t c = 0, end = 0;
    // Moves the cursor to p and types the field m[p, p + len).
    const auto field = [&](std::size_t p, std::size_t len) -> bool {
        if (p != c) {
            const Text gap = m.substr(end, p > end ? p - end : 0);
            const Text last = gap.empty() ? Text() : gap.substr(gap.size() - 1);
            if (seek == Seek::Gap && !gap.empty() && m.find(gap, c) + gap.size() == p) {
                out.push_back(Action{Op::MoveAfter, gap, {}, 0});
            } else if (seek == Seek::LastByte && !last.empty() && m.find(last, c) + 1 == p) {
                out.push_back(Action{Op::MoveAfter, last, {}, 0});
            } else {  // p is past the cursor: fields are found from `end` on
                out.push_back(Action{Op::SkipAhead, {}, {}, static_cast<std::uint32_t>(p - c)});
            }
            c = p;
        }
        if (p + len == m.size()) {
            out.push_back(Action{Op::SendRem, {}, {}, 0});
        } else {
            const char delimiter = m[p + len];
            if (m.substr(p, len).find(delimiter) != npos || !UntilDelimiter(delimiter)) return false;
            out.push_back(Action{Op::SendUntil, Text(1, delimiter), {}, 0});
        }
        end = p + len;
        return true;
    };
    const auto constant = [&](const Text& t) {
        if (t.empty()) return;
        if (Printable(t)) {
            out.push_back(Action{Op::SendText, t, {}, 0});
        } else {
            for (unsigned char ch : t) out.push_back(Action{Op::SendText, Text(1, static_cast<char>(ch)), {}, ch});
        }
    };
    const auto asField = [&](const Text& x) -> bool {
        if (x.empty()) return false;
        const std::size_t p = m.find(x, end);
        if (p == npos) return false;
        const std::size_t mark = out.size();
        const std::size_t c0 = c, end0 = end;
        if (field(p, x.size())) return true;
        out.resize(mark);
        c = c0;
        end = end0;
        return false;
    };
    for (const std::string& line : lines) {
        if (line.rfind("typed \"", 0) == 0 && line.size() >= 8 && line.back() == '"') {
            std::string error;
            const auto bytes = cli::DecodeRecordArgument(line.substr(7, line.size() - 8), error);
            if (!bytes) return std::nullopt;
            const Text x(bytes->begin(), bytes->end());
            if (x == m && c == 0 && end == 0) {
                out.push_back(Action{Op::SendAll, {}, {}, 0});
                end = m.size();
                continue;
            }
            if (asField(x)) continue;
            bool done = false;
            for (std::size_t cut = 1; cut < x.size() && !done; ++cut) {
                const std::size_t mark = out.size();
                constant(x.substr(0, cut));
                if (asField(x.substr(cut))) {
                    done = true;
                } else {
                    out.resize(mark);
                }
                if (!done && asField(x.substr(0, x.size() - cut))) {
                    constant(x.substr(x.size() - cut));
                    done = true;
                }
            }
            if (!done) constant(x);
            continue;
        }
        if (line.rfind("slept ", 0) == 0) {
            const std::size_t ms = static_cast<std::size_t>(std::strtoul(line.c_str() + 6, nullptr, 10));
            if (ms == 0 || ms % 1000 != 0) return std::nullopt;
            out.push_back(Action{Op::SendKey, "SEND_PAUSE(" + std::to_string(ms / 1000) + ")", line, 0});
            continue;
        }
        const auto key = keys.find(line);
        if (key == keys.end()) return std::nullopt;
        out.push_back(Action{Op::SendKey, key->second, line, 0});
    }
    return out;
}

}  // namespace

Text Show(const Text& text) {
    return "'" + cli::EscapeBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()) + "'";
}

Outcome Simulate(const std::vector<Action>& actions, const Text& record) {
    State s;
    s.m = record;
    for (const Action& a : actions) Step(s, a);
    s.out.record = s.m;
    return s.out;
}

bool InScope(const Edit& e, const Text& r) {
    switch (e.kind) {
    case Edit::Kind::PadFront:
    case Edit::Kind::PadBack: return !r.empty() && r.size() < e.width;
    case Edit::Kind::StripLeading: return r.size() >= 2 && r[0] == e.fill;
    default: return true;
    }
}

bool Gives(const Edit& e, const Text& r, std::int32_t status, const Text& o, const std::vector<std::string>& lines) {
    if (e.kind == Edit::Kind::Stop) return status == 0 && r == o && lines.empty();
    if (status != 1) return false;
    switch (e.kind) {
    case Edit::Kind::PadFront: return lines.empty() && o == Text(e.width - r.size(), e.fill) + r;
    case Edit::Kind::PadBack: return lines.empty() && o == r + Text(e.width - r.size(), e.fill);
    case Edit::Kind::StripLeading: {
        std::size_t n = 0;
        while (n < r.size() && r[n] == e.fill) ++n;
        return lines.empty() && n <= e.width && o == Strip(r, e.fill);
    }
    default: break;
    }
    const Outcome out = Simulate(e.actions, r);
    return out.record == o && out.lines == lines;
}

std::vector<Edit> EditsFor(const Text& r, std::int32_t status, const Text& o, const std::vector<std::string>& lines,
                           bool keyboard, const std::map<std::string, std::string>& keys) {
    if (status == 0) {
        if (r != o || !lines.empty()) return {};
        Edit stop;
        stop.kind = Edit::Kind::Stop;
        stop.cost = 0.5;
        stop.how = "status 0: the record stops the run as given";
        return {stop};
    }
    if (status != 1) return {};
    std::vector<Edit> edits = RecordEdits(r, o);
    if (!keyboard || lines.empty()) return edits;
    std::vector<Edit> typed;
    for (const Edit& e : edits) {
        if (e.kind != Edit::Kind::Actions) continue;
        for (Seek seek : {Seek::Gap, Seek::LastByte, Seek::Offset}) {
            auto sends = Sends(o, lines, keys, seek);
            if (!sends) continue;
            Edit k = e;
            if (!k.actions.empty() && !sends->empty() && (*sends)[0].op != Op::SendAll)
                k.actions.push_back(Action{Op::SkipStart, {}, {}, 0});
            k.actions.insert(k.actions.end(), sends->begin(), sends->end());
            k.cost = Cost(k.actions);
            // Fields found by their separator take records of other lengths too.
            if (seek == Seek::Offset)
                k.cost += 0.5 * static_cast<double>(std::count_if(sends->begin(), sends->end(), [](const Action& a) {
                              return a.op == Op::SkipAhead;
                          }));
            k.how += "; typed and pressed as the lines say";
            if (std::none_of(typed.begin(), typed.end(), [&](const Edit& t) { return t.actions == k.actions; }))
                typed.push_back(k);
        }
    }
    return typed;
}

std::string Quote(const Text& t) { return "'" + Plain(t) + "'"; }

namespace {

// The keyword of an action, as the keyword table spells it.
std::string Keyword(Op op) {
    using K = ActionKind;
    static constexpr std::pair<Op, K> kKinds[] = {
        {Op::Prepend, K::Prepend},           {Op::Append, K::Append},           {Op::Insert, K::Insert},
        {Op::SkipAhead, K::SkipAhead},       {Op::SkipBack, K::SkipBack},       {Op::SkipStart, K::SkipStart},
        {Op::SkipEnd, K::SkipEnd},           {Op::ReplaceAll, K::ReplaceAll},   {Op::ReplaceFirst, K::ReplaceFirst},
        {Op::MoveAfter, K::MoveAfter},       {Op::MoveBefore, K::MoveBefore},   {Op::RemoveSpaces, K::RemoveSpaces},
        {Op::CrunchSpaces, K::CrunchSpaces}, {Op::RemoveZeros, K::RemoveZeros}, {Op::SendAll, K::SendAll},
        {Op::SendRem, K::SendRem},           {Op::SendUntil, K::SendUntil},     {Op::SendText, K::SendAscii}};
    for (const auto& [o, kind] : kKinds) {
        if (o != op) continue;
        for (const KeywordInfo& k : Keywords()) {
            if (k.action == kind) return std::string(k.name);
        }
    }
    return {};
}

}  // namespace

std::string ActionLine(const Action& a) {
    const std::string k = Keyword(a.op);
    switch (a.op) {
    case Op::Prepend:
    case Op::Append:
    case Op::Insert:
    case Op::MoveAfter:
    case Op::MoveBefore: return k + "(" + Quote(a.a) + ")";
    case Op::SkipAhead:
    case Op::SkipBack: return k + "(" + std::to_string(a.n) + ")";
    case Op::ReplaceAll:
    case Op::ReplaceFirst: return k + "(" + Quote(a.a) + ", " + Quote(a.b) + ")";
    case Op::SendUntil: return k + "('" + a.a + "')";
    case Op::SendText: return Printable(a.a) ? k + "('" + a.a + "')" : k + "(" + std::to_string(a.n) + ")";
    case Op::SendKey: return a.a;
    case Op::SkipStart:
    case Op::SkipEnd:
    case Op::RemoveSpaces:
    case Op::CrunchSpaces:
    case Op::RemoveZeros:
    case Op::SendAll:
    case Op::SendRem: return k;
    }
    return {};
}

std::string Words(const Action& a) {
    switch (a.op) {
    case Op::Prepend: return Show(a.a) + " in front";
    case Op::Append: return Show(a.a) + " at the end";
    case Op::Insert: return Show(a.a) + " inserted";
    case Op::SkipAhead: return cli::Plural(a.n, "byte", "bytes") + " on";
    case Op::SkipBack: return cli::Plural(a.n, "byte", "bytes") + " back";
    case Op::SkipStart: return "back to the start";
    case Op::SkipEnd: return "to the last byte";
    case Op::ReplaceAll:
        return a.b.empty() ? "every " + Show(a.a) + " removed" : "every " + Show(a.a) + " becomes " + Show(a.b);
    case Op::ReplaceFirst:
        return a.b.empty() ? "the first " + Show(a.a) + " removed" : "the first " + Show(a.a) + " becomes " + Show(a.b);
    case Op::MoveAfter: return "after " + Show(a.a);
    case Op::MoveBefore: return "before " + Show(a.a);
    case Op::RemoveSpaces: return "spaces removed";
    case Op::CrunchSpaces: return "runs of spaces made one";
    case Op::RemoveZeros: return "zeros removed";
    case Op::SendAll: return "typed whole";
    case Op::SendRem: return "the rest typed";
    case Op::SendUntil: return "typed up to " + Show(a.a);
    case Op::SendText: return Show(a.a) + " typed";
    case Op::SendKey: return a.b.substr(a.b.find(' ') + 1);
    }
    return {};
}

std::string EditWords(const Edit& e) {
    if (e.actions.empty()) return "as it is";
    std::string s;
    for (const Action& a : e.actions) {
        if (a.op == Op::SkipStart || a.op == Op::SkipEnd) continue;
        s += (s.empty() ? "" : ", ") + Words(a);
    }
    return s;
}

}  // namespace trelmix::learn
