#include "learn/learner.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "common/host_id.h"
#include "common/human_output.h"
#include "common/session.h"
#include "common/text_encoding.h"
#include "keyboard/emulation.h"
#include "learn/edits.h"
#include "script/keywords.h"

namespace trelmix::learn {

namespace {

using Mask = std::uint64_t;
constexpr std::size_t kMaxExamples = 60;  // of a search; each case is a bit of a Mask
static_assert(kMaxExamples < 64);
constexpr std::size_t kMaxRules = 8;
constexpr std::size_t kMaxNodes = 4000;      // lists of rules looked into
constexpr std::size_t kClosestNodes = 1000;  // of those, when no list explains every case

struct Case {
    Text r, o;
    std::uint32_t ct = 0, pr = 0;
    std::int32_t status = 1;
    std::vector<std::string> lines;
    std::size_t index = 0;  // in the job
    bool Same() const { return status == 1 && r == o && lines.empty(); }
};

Text Bytes(const std::vector<std::uint8_t>& v) { return Text(v.begin(), v.end()); }

// ---- criteria --------------------------------------------------------------

struct Clause {
    enum class Kind { CodeList, Length, Protocol, Wildcard, CodeMatch } kind;
    std::vector<std::uint32_t> codes;
    std::uint32_t n = 0;
    Text text;
};

struct Criteria {
    std::vector<Clause> clauses;  // none: the empty criteria block
    double cost = 0;
    Mask mask = 0;
};

bool Wildcard(const Text& pattern, const Text& s) {
    std::size_t i = 0, j = 0;
    while (i < pattern.size()) {
        const char p = pattern[i];
        if (p == '?') {
            if (j >= s.size()) return false;
            ++i, ++j;
        } else if (p == '*') {
            if (i + 1 == pattern.size()) return s.size() - j >= 1;
            if (pattern[i + 1] == '?' || pattern[i + 1] == '*' || s.size() - j < 2) return false;
            std::size_t k = i + 1;
            while (k < pattern.size() && pattern[k] != '?' && pattern[k] != '*') ++k;
            const std::size_t at = s.find(pattern.substr(i + 1, k - i - 1), j);
            if (at == Text::npos) return false;
            j = at + (k - i - 1);
            i = k;
        } else {
            if (j >= s.size() || s[j] != p) return false;
            ++i, ++j;
        }
    }
    return j == s.size();
}

bool Passes(const Clause& c, const Case& e) {
    switch (c.kind) {
    case Clause::Kind::CodeList: return std::find(c.codes.begin(), c.codes.end(), e.ct) != c.codes.end();
    case Clause::Kind::Length: return e.r.size() == c.n;
    case Clause::Kind::Protocol: return e.pr == c.n;
    case Clause::Kind::Wildcard: return c.text.empty() || Wildcard(c.text, e.r);
    case Clause::Kind::CodeMatch: {
        if (c.text.empty()) return true;
        return c.n <= e.r.size() && e.r.find(c.text, c.n) != Text::npos;
    }
    }
    return false;
}

bool Passes(const Criteria& c, const Case& e) {
    return std::all_of(c.clauses.begin(), c.clauses.end(), [&](const Clause& k) { return Passes(k, e); });
}

std::string ClauseLine(const Clause& c) {
    switch (c.kind) {
    case Clause::Kind::CodeList: {
        std::string s = "CODE_LIST(";
        for (std::size_t i = 0; i < c.codes.size(); ++i) s += (i ? ", " : "") + std::to_string(c.codes[i]);
        return s + ")";
    }
    case Clause::Kind::Length: return "CODE_LENGTH(" + std::to_string(c.n) + ")";
    case Clause::Kind::Protocol: return "PROTOCOL_MATCH(" + std::to_string(c.n) + ")";
    case Clause::Kind::Wildcard: return "WILDCARD_MATCH(" + Quote(c.text) + ")";
    case Clause::Kind::CodeMatch: return "CODE_MATCH(" + Quote(c.text) + ", " + std::to_string(c.n) + ")";
    }
    return {};
}

std::string ClauseWords(const Clause& c) {
    switch (c.kind) {
    case Clause::Kind::CodeList: {
        std::string s = c.codes.size() == 1 ? "of code type " : "of code types ";
        for (std::size_t i = 0; i < c.codes.size(); ++i) s += (i ? ", " : "") + std::to_string(c.codes[i]);
        return s;
    }
    case Clause::Kind::Length: return "of " + cli::Plural(c.n, "byte", "bytes");
    case Clause::Kind::Protocol: return "of protocol " + std::to_string(c.n);
    case Clause::Kind::CodeMatch: return "holding " + Show(c.text) + " anywhere";
    case Clause::Kind::Wildcard: {
        const Text& t = c.text;
        if (t.find_first_of("*?") == Text::npos) return "that are exactly " + Show(t);
        if (t.size() > 1 && t.back() == '*' && t.find_first_of("*?") == t.size() - 1)
            return "starting with " + Show(t.substr(0, t.size() - 1));
        if (t.size() > 1 && t[0] == '*' && t.find_first_of("*?", 1) == Text::npos)
            return "ending with " + Show(t.substr(1));
        return "like " + Show(t);
    }
    }
    return {};
}

std::string CriteriaWords(const Criteria& c) {
    if (c.clauses.empty()) return "every record";
    std::string s = "records ";
    for (std::size_t i = 0; i < c.clauses.size(); ++i) s += (i ? ", " : "") + ClauseWords(c.clauses[i]);
    return s;
}

// Leading text that is the very text the edit takes away or replaces says
// more than a length or a code type that happen to separate the records.
double Affinity(const Criteria& c, const Edit& e) {
    if (c.clauses.size() != 1 || c.clauses[0].kind != Clause::Kind::Wildcard || e.actions.empty()) return 0;
    const Action& a = e.actions[0];
    if (a.op != Op::ReplaceFirst && a.op != Op::ReplaceAll) return 0;
    return c.clauses[0].text == a.a + "*" ? -0.4 : 0;
}

bool Anchored(const Text& t) { return t.find_first_of("*?") == Text::npos; }

// Every criterion worth trying on these records, with its cost: a header field
// first, then the length, leading text, the whole record, trailing text, a
// pattern, and last a text found anywhere.
std::vector<Criteria> Pool(const std::vector<Case>& cases) {
    std::vector<Criteria> pool;
    std::set<std::string> seen;
    const auto add = [&](std::vector<Clause> clauses, double cost) {
        std::string key;
        for (const Clause& c : clauses) key += ClauseLine(c) + "\n";
        if (!seen.insert(key).second) return;
        Criteria c{std::move(clauses), cost, 0};
        for (std::size_t i = 0; i < cases.size(); ++i) {
            if (Passes(c, cases[i])) c.mask |= Mask{1} << i;
        }
        pool.push_back(std::move(c));
    };
    std::set<std::uint32_t> types, protocols;
    std::set<std::size_t> lengths;
    for (const Case& e : cases) {
        types.insert(e.ct);
        protocols.insert(e.pr);
        lengths.insert(e.r.size());
    }
    std::vector<Clause> lists;
    if (types.size() >= 2) {
        // Every list of a few code types; of many, the lists of one or two.
        const std::vector<std::uint32_t> all(types.begin(), types.end());
        const unsigned n = static_cast<unsigned>(std::min<std::size_t>(all.size(), 16));
        for (unsigned bits = 1; bits + 1 < (1u << n); ++bits) {
            if (n > 6 && __builtin_popcount(bits) > 2) continue;
            Clause c{Clause::Kind::CodeList, {}, 0, {}};
            for (std::size_t i = 0; i < all.size(); ++i) {
                if (bits & (1u << i)) c.codes.push_back(all[i]);
            }
            lists.push_back(c);
            add({c}, 1.0 + 0.05 * static_cast<double>(c.codes.size() - 1));
        }
    }
    std::vector<Clause> headers = lists;
    if (protocols.size() >= 2) {
        for (std::uint32_t p : protocols) {
            headers.push_back(Clause{Clause::Kind::Protocol, {}, p, {}});
            add({headers.back()}, 1.0);
        }
    }
    std::vector<Clause> sizes;
    if (lengths.size() >= 2) {
        for (std::size_t n : lengths) {
            sizes.push_back(Clause{Clause::Kind::Length, {}, static_cast<std::uint32_t>(n), {}});
            add({sizes.back()}, 1.5);
        }
    }
    std::vector<Clause> heads;
    for (const Case& e : cases) {
        const Text& r = e.r;
        for (std::size_t h = 1; h < r.size() && h <= 10; ++h) {
            const Text head = r.substr(0, h);
            if (!Anchored(head)) break;
            heads.push_back(Clause{Clause::Kind::Wildcard, {}, 0, head + "*"});
            add({heads.back()}, 1.6 + 0.03 * std::abs(static_cast<double>(h) - 3.0));
        }
        if (!r.empty() && Anchored(r)) add({Clause{Clause::Kind::Wildcard, {}, 0, r}}, 1.7);
        for (std::size_t t = 1; t < r.size() && t <= 6; ++t) {
            const Text tail = r.substr(r.size() - t);
            if (!Anchored(tail)) break;
            add({Clause{Clause::Kind::Wildcard, {}, 0, "*" + tail}}, 1.8 + 0.02 * static_cast<double>(t));
        }
        for (std::size_t k = 1; k <= 8; ++k) {
            for (std::size_t l = 1; l <= 3 && k + l < r.size(); ++l) {
                const Text piece = r.substr(k, l);
                if (!Anchored(piece)) continue;
                add({Clause{Clause::Kind::Wildcard, {}, 0, Text(k, '?') + piece + "*"}},
                    2.2 + 0.02 * static_cast<double>(k + l));
            }
        }
        for (std::size_t l = 4; l >= 1; --l) {
            for (std::size_t s = 0; s + l <= r.size(); ++s) {
                add({Clause{Clause::Kind::CodeMatch, {}, 0, r.substr(s, l)}}, 3.0 - 0.05 * static_cast<double>(l));
            }
        }
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        for (std::size_t j = i + 1; j < cases.size(); ++j) {
            const Text &a = cases[i].r, &b = cases[j].r;
            if (a.size() != b.size() || a == b || !Anchored(a)) continue;
            Text p = a;
            std::size_t kept = 0;
            for (std::size_t k = 0; k < a.size(); ++k) {
                if (a[k] != b[k])
                    p[k] = '?';
                else
                    ++kept;
            }
            if (kept > 0) add({Clause{Clause::Kind::Wildcard, {}, 0, p}}, 2.5);
        }
    }
    // Two clauses: a header field or a length with another.
    for (const Clause& h : headers) {
        for (const Clause& s : sizes) add({h, s}, 2.7);
        for (const Clause& w : heads) {
            if (w.text.size() <= 4) add({h, w}, 2.8);
        }
    }
    for (const Clause& s : sizes) {
        for (const Clause& w : heads) {
            if (w.text.size() <= 4) add({s, w}, 3.3);
        }
    }
    std::stable_sort(pool.begin(), pool.end(), [](const Criteria& a, const Criteria& b) { return a.cost < b.cost; });
    return pool;
}

// ---- the rule list ---------------------------------------------------------

// Criteria for an edit: the cases they pass and what they cost beside it.
struct Choice {
    Mask passes = 0;
    int criteria = -1;  // -1: the empty criteria block
    double cost = 0;
};

struct Candidate {
    Edit edit;
    Mask gives = 0;               // the cases it gives right
    Mask scope = 0;               // the cases it touches
    std::vector<Choice> choices;  // the cheapest criteria for each set of cases, the empty block first
};

struct Rule {
    int edit = -1;
    int criteria = -1;  // -1: empty criteria block
    Mask took = 0;
};

struct Solution {
    std::size_t unexplained = 0;
    std::size_t rules = 0;
    double cost = 0;
    std::vector<Rule> list;
    bool Better(const Solution& o) const {
        if (unexplained != o.unexplained) return unexplained < o.unexplained;
        if (rules != o.rules) return rules < o.rules;
        return cost < o.cost - 1e-9;
    }
};

// The cases one search takes: of more than it can (the modes of one ruleset
// together), an even spread. The script found is checked on every case.
std::vector<Case> Spread(const std::vector<Case>& cases) {
    if (cases.size() <= kMaxExamples) return cases;
    std::vector<Case> some;
    for (std::size_t j = 0; j < kMaxExamples; ++j) some.push_back(cases[j * cases.size() / kMaxExamples]);
    return some;
}

class Search {
public:
    Search(const std::vector<Case>& given, bool keyboard, const std::map<std::string, std::string>& keys)
        : cases_(Spread(given)), pool_(Pool(cases_)) {
        const std::vector<Case>& cases = cases_;
        // A record that stops the run is taken by a rule for every record
        // left, so a record that comes back as it is needs a rule before it.
        const bool stops = std::any_of(cases.begin(), cases.end(), [](const Case& e) { return e.status == 0; });
        for (std::size_t i = 0; i < cases.size(); ++i) {
            if (stops || !cases[i].Same()) changed_ |= Mask{1} << i;
        }
        std::set<std::string> seen;
        for (const Case& e : cases) {
            if (!stops && e.Same()) continue;
            for (Edit& edit : EditsFor(e.r, e.status, e.o, e.lines, keyboard, keys)) {
                std::string key =
                    std::to_string(static_cast<int>(edit.kind)) + ":" + edit.fill + ":" + std::to_string(edit.width);
                for (const Action& a : edit.actions) key += ActionLine(a) + "\n";
                if (!seen.insert(key).second) continue;
                Candidate c;
                c.edit = std::move(edit);
                for (std::size_t i = 0; i < cases.size(); ++i) {
                    const Case& x = cases[i];
                    if (InScope(c.edit, x.r)) c.scope |= Mask{1} << i;
                    if (InScope(c.edit, x.r) && Gives(c.edit, x.r, x.status, x.o, x.lines)) c.gives |= Mask{1} << i;
                }
                if (c.gives & changed_) candidates_.push_back(std::move(c));
            }
        }
        std::stable_sort(candidates_.begin(), candidates_.end(),
                         [](const Candidate& a, const Candidate& b) { return a.edit.cost < b.edit.cost; });
        // The cheapest criterion for each set of cases it passes, and for
        // each edit among those near it, the one that suits the edit best.
        std::map<Mask, std::vector<int>> best;
        for (std::size_t i = 0; i < pool_.size(); ++i) {
            std::vector<int>& near = best[pool_[i].mask];
            if (near.empty() || pool_[i].cost <= pool_[static_cast<std::size_t>(near[0])].cost + 0.5)
                near.push_back(static_cast<int>(i));
        }
        for (Candidate& c : candidates_) {
            c.choices.push_back(Choice{~Mask{0}, -1, 0});
            // A rule without actions stops every run that reaches it,
            // whatever its criteria: it takes every record left.
            if (c.edit.kind == Edit::Kind::Stop) continue;
            for (const auto& [mask, near] : best) {
                if ((mask & c.scope & c.gives) == 0) continue;
                Choice choice{mask, near[0], pool_[static_cast<std::size_t>(near[0])].cost};
                for (int index : near) {
                    const Criteria& k = pool_[static_cast<std::size_t>(index)];
                    if (k.cost + Affinity(k, c.edit) < choice.cost) {
                        choice.criteria = index;
                        choice.cost = k.cost + Affinity(k, c.edit);
                    }
                }
                c.choices.push_back(choice);
            }
        }
    }

    // Fewest rules first: the cheapest list of one rule that explains every
    // case, else of two, and so on; when none does within the search, the
    // better of the greedy list and the closest search's (which may find a
    // list of fewer rules that the exact search had no nodes left for).
    Solution Solve() {
        const Mask all = (Mask{1} << cases_.size()) - 1;
        const Solution greedy = Greedy(all);
        Mask explainable = 0;
        for (const Candidate& c : candidates_) explainable |= c.gives;
        if ((changed_ & ~explainable) == 0 && !Contradictory()) {
            const std::size_t most = greedy.unexplained ? kMaxRules : greedy.rules;
            for (std::size_t rules = 0; rules <= most && nodes_ < kMaxNodes; ++rules) {
                if (std::optional<Solution> s = Exact(all, rules)) return *s;
            }
        }
        nodes_ = kMaxNodes - kClosestNodes;
        const Solution closest = Closest(all, 0);
        return greedy.Better(closest) ? greedy : closest;
    }

    const std::vector<Case>& cases() const { return cases_; }
    const std::vector<Criteria>& pool() const { return pool_; }
    const std::vector<Candidate>& candidates() const { return candidates_; }

private:
    static std::size_t Bits(Mask m) { return static_cast<std::size_t>(__builtin_popcountll(m)); }

    // The cheapest list of at most `rules` rules that explains every case
    // left, or nothing.
    std::optional<Solution> Exact(Mask left, std::size_t rules) {
        const Mask need = left & changed_;
        if (!need) return Solution{};
        if (rules == 0 || nodes_ >= kMaxNodes) return std::nullopt;
        const auto key = std::make_pair(left, rules);
        if (const auto memo = exact_.find(key); memo != exact_.end()) return memo->second;
        ++nodes_;
        // No list of `rules` rules takes more than `rules` times what one takes.
        std::size_t most = 0;
        for (const Candidate& c : candidates_) most = std::max(most, Bits(c.gives & need));
        std::optional<Solution> best;
        if (most * rules < Bits(need)) return exact_[key] = best;
        for (std::size_t t = 0; t < candidates_.size(); ++t) {
            const Candidate& c = candidates_[t];
            if (!(c.gives & need) || (rules == 1 && (c.gives & need) != need)) continue;
            for (const Choice& k : c.choices) {
                const Mask took = k.passes & left & c.scope;
                if (!(took & need) || (took & ~c.gives) || (rules == 1 && (took & need) != need)) continue;
                const double cost = k.cost + c.edit.cost;
                if (best && cost >= best->cost - 1e-9) continue;  // the rest costs more still
                std::optional<Solution> rest = Exact(left & ~took, rules - 1);
                if (!rest || (best && cost + rest->cost >= best->cost - 1e-9)) continue;
                rest->rules += 1;
                rest->cost += cost;
                rest->list.insert(rest->list.begin(), Rule{static_cast<int>(t), k.criteria, took});
                best = std::move(rest);
            }
        }
        return exact_[key] = best;
    }

    // The same record asked to give two results: no list explains both.
    bool Contradictory() const {
        for (std::size_t i = 0; i < cases_.size(); ++i) {
            for (std::size_t j = i + 1; j < cases_.size(); ++j) {
                const Case &a = cases_[i], &b = cases_[j];
                if (a.r == b.r && a.ct == b.ct && a.pr == b.pr &&
                    (a.o != b.o || a.status != b.status || a.lines != b.lines))
                    return true;
            }
        }
        return false;
    }

    // Rule by rule, the one that explains the most cases left (the cheapest
    // of those), while one explains any.
    Solution Greedy(Mask left) const {
        Solution s;
        while (s.rules < kMaxRules) {
            Rule pick;
            std::size_t most = 0;
            double cheapest = 0;
            for (std::size_t t = 0; t < candidates_.size(); ++t) {
                const Candidate& c = candidates_[t];
                if (Bits(c.gives & left & changed_) < std::max<std::size_t>(most, 1)) continue;
                for (const Choice& k : c.choices) {
                    const Mask took = k.passes & left & c.scope;
                    const std::size_t n = Bits(took & changed_);
                    const double cost = k.cost + c.edit.cost;
                    if ((took & ~c.gives) || n == 0 || n < most || (n == most && cost >= cheapest)) continue;
                    pick = Rule{static_cast<int>(t), k.criteria, took};
                    most = n;
                    cheapest = cost;
                }
            }
            if (most == 0) break;
            s.list.push_back(pick);
            s.rules += 1;
            s.cost += cheapest;
            left &= ~pick.took;
        }
        s.unexplained = Bits(left & changed_);
        return s;
    }

    // The list that leaves the fewest cases unexplained, then the fewest
    // rules, then the cheapest; past the search's budget, the best found.
    Solution Closest(Mask left, std::size_t depth) {
        const auto key = std::make_pair(left, depth);
        if (const auto memo = closest_.find(key); memo != closest_.end()) return memo->second;
        Solution best;
        best.unexplained = Bits(left & changed_);
        if (best.unexplained == 0 || depth >= kMaxRules || nodes_ >= kMaxNodes) return best;
        ++nodes_;
        for (std::size_t t = 0; t < candidates_.size(); ++t) {
            const Candidate& c = candidates_[t];
            if (!(c.gives & left & changed_)) continue;
            for (const Choice& k : c.choices) {
                const Mask took = k.passes & left & c.scope;
                if (!took || (took & ~c.gives) || !(took & changed_)) continue;
                Solution rest = Closest(left & ~took, depth + 1);
                rest.rules += 1;
                rest.cost += k.cost + c.edit.cost;
                rest.list.insert(rest.list.begin(), Rule{static_cast<int>(t), k.criteria, took});
                if (rest.Better(best)) best = std::move(rest);
            }
        }
        return closest_[key] = best;
    }

    std::vector<Case> cases_;
    std::vector<Criteria> pool_;
    std::vector<Candidate> candidates_;
    std::map<std::pair<Mask, std::size_t>, std::optional<Solution>> exact_;
    std::map<std::pair<Mask, std::size_t>, Solution> closest_;
    std::size_t nodes_ = 0;
    Mask changed_ = 0;
};

// ---- writing the script ----------------------------------------------------

struct Block {
    std::string comment;
    std::uint32_t ruleset = 0;
    std::vector<std::string> criteria;  // lines; with `hasCriteria` false, no criteria block
    bool hasCriteria = true;
    bool hasAction = true;
    std::vector<std::string> actions;
};

std::string Render(const Block& b) {
    std::string s = "# " + b.comment + "\nBEGIN_RULE\n";
    if (b.ruleset) s += "SET_RULESET(" + std::to_string(b.ruleset) + ")\n";
    if (b.hasCriteria) {
        s += "BEGIN_CRITERIA\n";
        for (const std::string& c : b.criteria) s += "    " + c + "\n";
        s += "END_CRITERIA\n";
    }
    if (b.hasAction) {
        s += "BEGIN_ACTION\n";
        for (const std::string& a : b.actions) s += "    " + a + "\n";
        s += "END_ACTION\n";
    }
    return s + "END_RULE\n";
}

std::string Count(std::size_t n, const char* what) {
    static const char* words[] = {"no", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten"};
    return (n <= 10 ? std::string(words[n]) : std::to_string(n)) + " " + what + (n == 1 ? "" : "s");
}

// The rules of one edit under a criterion: one rule, or one per length or count.
std::vector<Block> Blocks(const Edit& e, const Criteria* c, std::uint32_t ruleset) {
    std::vector<std::string> lines;
    if (c) {
        for (const Clause& k : c->clauses) lines.push_back(ClauseLine(k));
    }
    const std::string who = c ? CriteriaWords(*c) : "every record";
    std::vector<Block> out;
    const auto block = [&](std::string comment, std::vector<std::string> criteria, std::vector<std::string> actions) {
        Block b;
        b.comment = std::move(comment);
        b.ruleset = ruleset;
        b.criteria = std::move(criteria);
        b.actions = std::move(actions);
        out.push_back(std::move(b));
    };
    const std::string fill = e.fill == ' ' ? "space" : e.fill == '0' ? "zero" : Show(Text(1, e.fill));
    switch (e.kind) {
    case Edit::Kind::PadFront:
    case Edit::Kind::PadBack:
        for (std::size_t n = e.width - 1; n >= 1; --n) {
            std::vector<std::string> crit = lines;
            crit.push_back("CODE_LENGTH(" + std::to_string(n) + ")");
            const Text pad(e.width - n, e.fill);
            const bool front = e.kind == Edit::Kind::PadFront;
            block((c ? who + ", " : std::string()) + "records of " + Count(n, "byte") + ": " +
                      Count(e.width - n, fill.c_str()) + (front ? " in front" : " at the end"),
                  crit, {(front ? "PREPEND(" : "APPEND(") + Quote(pad) + ")"});
        }
        return out;
    case Edit::Kind::StripLeading:
        for (std::size_t n = e.width; n >= 1; --n) {
            std::vector<std::string> crit = lines;
            const Text zeros(n, e.fill);
            crit.push_back("WILDCARD_MATCH(" + Quote(zeros + "*") + ")");
            block((c ? who + ", " : std::string("records ")) + "starting with " + Count(n, fill.c_str()) + ": they go",
                  crit, {"REPLACE_FIRST(" + Quote(zeros) + ", '')"});
        }
        return out;
    case Edit::Kind::Stop:
        block(who + ": left as given, status 0", lines, {});
        out.back().hasAction = false;
        return out;
    case Edit::Kind::Actions: break;
    }
    std::vector<std::string> actions;
    for (const Action& a : e.actions) actions.push_back(ActionLine(a));
    block(who + ": " + EditWords(e), lines, actions);
    return out;
}

using CasePredicate = std::function<bool(const Case&)>;

// A record that one criterion passes and the other does not, made from one
// of the cases by a small change, that no earlier rule takes.
std::optional<Case> Telling(const std::vector<Case>& cases, Mask took, const CasePredicate& reaches,
                            const CasePredicate& differs) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (!(took & (Mask{1} << i))) continue;
        const Case& e = cases[i];
        std::vector<Case> tries;
        const auto with = [&](Text r) {
            Case x = e;
            x.r = std::move(r);
            tries.push_back(x);
        };
        with("X" + e.r);
        with(e.r + "X");
        if (e.r.size() > 1) with(e.r.substr(1));
        if (e.r.size() > 1) with(e.r.substr(0, e.r.size() - 1));
        with(e.r + e.r);
        if (!e.r.empty()) with("X" + e.r.substr(1));
        Case t = e;
        t.ct = e.ct + 1;
        tries.push_back(t);
        t = e;
        t.pr = e.pr + 1;
        tries.push_back(t);
        for (const Case& x : tries) {
            if (reaches(x) && differs(x)) return x;
        }
    }
    return std::nullopt;
}

std::string RecordWords(const Case& x, const Case& like) {
    std::string s = "\"" + Show(x.r).substr(1, Show(x.r).size() - 2) + "\"";
    if (x.ct != like.ct) s = "--code-type " + std::to_string(x.ct) + " " + s;
    if (x.pr != like.pr) s = "--protocol " + std::to_string(x.pr) + " " + s;
    return s;
}

// Says where another criterion or another edit would explain the same cases
// at about the same rank, and which record would tell them apart.
void Ambiguities(const Search& s, const Rule& rule, Mask left, const CasePredicate& reaches,
                 std::vector<std::string>& notes) {
    const std::vector<Case>& cases = s.cases();
    const Candidate& chosen = s.candidates()[static_cast<std::size_t>(rule.edit)];
    const Criteria* mine = rule.criteria >= 0 ? &s.pool()[static_cast<std::size_t>(rule.criteria)] : nullptr;
    if (mine) {
        for (const Criteria& other : s.pool()) {
            if (&other == mine || other.cost > mine->cost + 0.6) continue;
            if ((other.mask & left & chosen.scope) != rule.took) continue;
            const auto tells =
                Telling(cases, rule.took, reaches, [&](const Case& x) { return Passes(*mine, x) != Passes(other, x); });
            if (!tells) continue;
            const Case& like = cases[static_cast<std::size_t>(__builtin_ctzll(rule.took))];
            notes.push_back(CriteriaWords(*mine) + " or " + CriteriaWords(other) +
                            "? chose the first; add a record such as " + RecordWords(*tells, like) +
                            " to tell them apart");
            break;
        }
    }
    if (!mine) {
        // Text taken away anywhere, where the records had it only in front.
        for (const Criteria& other : s.pool()) {
            Mask edited = 0;
            for (std::size_t i = 0; i < cases.size(); ++i) {
                if (!cases[i].Same()) edited |= Mask{1} << i;
            }
            if (Affinity(other, chosen.edit) >= 0 || (other.mask & rule.took & edited) != (rule.took & edited))
                continue;
            const auto tells =
                Telling(cases, rule.took & edited, reaches, [&](const Case& x) { return !Passes(other, x); });
            if (!tells) continue;
            const Case& like = cases[static_cast<std::size_t>(__builtin_ctzll(rule.took))];
            notes.push_back(Show(chosen.edit.actions[0].a) +
                            " anywhere or only at the start? chose anywhere; add a record such as " +
                            RecordWords(*tells, like) + " with what it must give to tell them apart");
            break;
        }
    }
    if (chosen.edit.kind != Edit::Kind::Actions) return;
    for (const Candidate& other : s.candidates()) {
        if (&other == &chosen || other.edit.kind != Edit::Kind::Actions || other.edit.cost > chosen.edit.cost + 0.6)
            continue;
        if ((other.gives & rule.took) != rule.took) continue;
        const auto tells = Telling(cases, rule.took, reaches, [&](const Case& x) {
            return Simulate(chosen.edit.actions, x.r) != Simulate(other.edit.actions, x.r);
        });
        if (!tells) continue;
        const Case& like = cases[static_cast<std::size_t>(__builtin_ctzll(rule.took))];
        // Name the first action where the two part.
        const std::vector<Action>&a = chosen.edit.actions, &b = other.edit.actions;
        std::size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
        const std::string mine = at < a.size() ? Words(a[at]) : "nothing more";
        const std::string theirs = at < b.size() ? Words(b[at]) : "nothing more";
        notes.push_back(mine + " or " + theirs + "? chose the first; add a record such as " +
                        RecordWords(*tells, like) + " with what it must give to tell them apart");
        break;
    }
}

// "record 2", "records 1, 3", "no record".
std::string Indexes(const std::vector<Case>& cases, Mask m) {
    std::string s;
    for (Mask left = m; left != 0; left &= left - 1) {  // each case of the mask, lowest first
        const Case& c = cases[static_cast<std::size_t>(__builtin_ctzll(left))];
        s += (s.empty() ? "" : ", ") + std::to_string(c.index + 1);
    }
    if (s.empty()) return "no record";
    return (__builtin_popcountll(m) == 1 ? "record " : "records ") + s;
}

// One mode's rules: a solution turned into blocks, notes and explanations.
struct ModeRules {
    std::vector<Block> blocks;
    bool catchesAll = false;  // its last rule applies to every record
};

ModeRules Write(Search& s, const Solution& sol, std::uint32_t ruleset, Learned& out) {
    ModeRules m;
    Mask left = (Mask{1} << s.cases().size()) - 1;
    std::vector<const Rule*> earlier;
    const auto reaches = [&](const Case& x) {
        return std::none_of(earlier.begin(), earlier.end(), [&](const Rule* r) {
            return InScope(s.candidates()[static_cast<std::size_t>(r->edit)].edit, x.r) &&
                   (r->criteria < 0 || Passes(s.pool()[static_cast<std::size_t>(r->criteria)], x));
        });
    };
    for (const Rule& rule : sol.list) {
        const Candidate& c = s.candidates()[static_cast<std::size_t>(rule.edit)];
        const Criteria* crit = rule.criteria >= 0 ? &s.pool()[static_cast<std::size_t>(rule.criteria)] : nullptr;
        for (Block& b : Blocks(c.edit, crit, ruleset)) m.blocks.push_back(std::move(b));
        m.catchesAll = !crit && c.edit.kind != Edit::Kind::PadFront && c.edit.kind != Edit::Kind::PadBack &&
                       c.edit.kind != Edit::Kind::StripLeading;
        std::string how = "rule for " + Indexes(s.cases(), rule.took) + ": " + c.edit.how;
        if (crit) {
            const Mask out = left & c.scope & ~rule.took;
            how += "; its criteria (" + CriteriaWords(*crit) + ") take " +
                   (__builtin_popcountll(rule.took) == 1 ? "it" : "them");
            if (out) how += " and keep out " + Indexes(s.cases(), out) + ", which it would get wrong";
        } else {
            how += "; it gives every record that reaches it right, so it needs no criteria";
        }
        out.explain.push_back(how);
        Ambiguities(s, rule, left, reaches, out.notes);
        left &= ~rule.took;
        earlier.push_back(&rule);
    }
    return m;
}

// ---- the engine ------------------------------------------------------------

// The pressed lines of `run` and the keywords that press them, asked of the
// engine itself.
const std::map<std::string, std::string>& KeyTable() {
    static const std::map<std::string, std::string> table = [] {
        constexpr int kFunctionKeys = 24;
        std::vector<std::string> keywords;
        for (const KeywordInfo& k : Keywords()) {
            const std::string name(k.name);
            switch (k.key) {
            case KeyArgument::KeyName:
                for (const NamedKey& key : NamedKeys()) keywords.push_back(name + "('" + key.name + "')");
                break;
            case KeyArgument::FunctionKey:
                for (int f = 1; f <= kFunctionKeys; ++f) keywords.push_back(name + "(" + std::to_string(f) + ")");
                break;
            case KeyArgument::KeypadKey:
                for (char d : std::string("0123456789.")) keywords.push_back(name + "('" + d + "')");
                break;
            case KeyArgument::LetterOrDigit:
            case KeyArgument::ModifiedKey:
                for (char ch : std::string("abcdefghijklmnopqrstuvwxyz0123456789")) {
                    keywords.push_back(name + "('" + ch + "')");
                }
                for (int f = 1; f <= kFunctionKeys; ++f)
                    keywords.push_back(name + "(" + std::to_string(0x6F + f) + ")");  // F1.. by virtual key
                for (const NamedKey& key : NamedKeys()) {
                    keywords.push_back(name + "(" + std::to_string(key.virtualKey) + ")");
                }
                break;
            default: break;
            }
        }
        std::string script;
        for (std::size_t i = 0; i < keywords.size(); ++i) {
            script += "BEGIN_RULE\nBEGIN_CRITERIA\nWILDCARD_MATCH('k" + std::to_string(i) +
                      "')\nEND_CRITERIA\nBEGIN_ACTION\n" + keywords[i] + "\nEND_ACTION\nEND_RULE\n";
        }
        std::map<std::string, std::string> t;
        cli::Session session(KeyboardClientId, cli::HostOptions{});
        session.Assign(cli::FromCommandLine(script));
        for (std::size_t i = 0; i < keywords.size(); ++i) {
            const std::string record = "k" + std::to_string(i);
            const cli::RecordResult r = session.Execute(std::vector<std::uint8_t>(record.begin(), record.end()), 0, 0);
            const std::vector<std::string> lines = cli::DescribeOutput(r.output);
            if (lines.size() == 1) t.emplace(lines[0], keywords[i]);
        }
        return t;
    }();
    return table;
}

}  // namespace

std::vector<std::size_t> Failing(const Job& job, const std::string& script) {
    cli::Session session(job.keyboard ? KeyboardClientId : cli::kDefaultApplicationId, cli::HostOptions{});
    std::vector<std::size_t> failing;
    const bool assigned = session.Assign(cli::FromCommandLine(script)).assigned;
    for (std::size_t i = 0; i < job.examples.size(); ++i) {
        const Example& e = job.examples[i];
        const cli::RecordResult r = session.Execute(e.record, e.codeType, e.protocol);
        const bool same = assigned && r.status == e.status && r.bytes == e.result && r.length == r.bytes.size() &&
                          cli::DescribeOutput(r.output) == e.output;
        if (!same) failing.push_back(i);
    }
    return failing;
}

Learned Learn(const Job& job) {
    Learned out;
    std::vector<Case> all;
    for (std::size_t i = 0; i < job.examples.size(); ++i) {
        const Example& e = job.examples[i];
        all.push_back(Case{Bytes(e.record), Bytes(e.result), e.codeType, e.protocol, e.status, e.output, i});
    }
    static const std::map<std::string, std::string> none;
    const std::map<std::string, std::string>& keys = job.keyboard ? KeyTable() : none;

    // Mode barcodes: records that come back empty. The records after one
    // belong to its mode; modes that one rule list explains together merge.
    std::vector<Text> barcodes;
    std::vector<std::vector<Case>> modes(1);
    std::size_t mode = 0;  // of the records from here on: 1 + the last barcode's index, 0 before any
    for (const Case& e : all) {
        if (e.status == 1 && e.o.empty() && !e.r.empty() && e.lines.empty() && Anchored(e.r)) {
            auto at = std::find(barcodes.begin(), barcodes.end(), e.r);
            if (at == barcodes.end()) {
                barcodes.push_back(e.r);
                modes.emplace_back();
                at = barcodes.end() - 1;
            }
            mode = 1 + static_cast<std::size_t>(at - barcodes.begin());
            continue;
        }
        if (modes[mode].size() < kMaxExamples) modes[mode].push_back(e);
    }
    const auto solve = [&](const std::vector<Case>& cases) {
        Search s(cases, job.keyboard, keys);
        return s.Solve();
    };
    std::vector<std::size_t> group(modes.size());
    for (std::size_t m = 0; m < modes.size(); ++m) group[m] = m;
    for (std::size_t m = 1; m < modes.size(); ++m) {
        const Solution own = solve(modes[m]);
        for (std::size_t g = 0; g < m; ++g) {
            if (group[g] != g) continue;
            std::vector<Case> merged;
            for (std::size_t k = 0; k <= m; ++k) {
                if (group[k] == g || k == m) merged.insert(merged.end(), modes[k].begin(), modes[k].end());
            }
            std::vector<Case> base;
            for (std::size_t k = 0; k < m; ++k) {
                if (group[k] == g) base.insert(base.end(), modes[k].begin(), modes[k].end());
            }
            const Solution together = solve(merged), alone = solve(base);
            if (together.unexplained <= own.unexplained + alone.unexplained &&
                together.rules <= std::max(own.rules, alone.rules) && together.cost <= own.cost + alone.cost + 1e-9) {
                group[m] = g;
                break;
            }
        }
    }
    std::vector<std::size_t> roots;
    for (std::size_t m = 0; m < modes.size(); ++m) {
        if (group[m] == m) roots.push_back(m);
    }
    const bool rulesets = roots.size() > 1;
    const auto rulesetOf = [&](std::size_t mode) {
        return static_cast<std::uint32_t>(std::find(roots.begin(), roots.end(), group[mode]) - roots.begin() + 1);
    };

    std::string script = "# Learned from " + Count(all.size(), "record") + ":\n";
    for (const Case& e : all) {
        std::string line = "#   \"" + Show(e.r).substr(1, Show(e.r).size() - 2) + "\"";
        if (e.ct) line += " (code type " + std::to_string(e.ct) + ")";
        if (e.pr) line += " (protocol " + std::to_string(e.pr) + ")";
        if (e.status != 1)
            line += " -> status " + std::to_string(e.status);
        else
            line += " -> \"" + Show(e.o).substr(1, Show(e.o).size() - 2) + "\"";
        for (const std::string& l : e.lines) line += "; " + l;
        script += line + "\n";
    }
    std::vector<Block> blocks;
    for (std::size_t b = 0; b < barcodes.size(); ++b) {
        Block k;
        k.criteria = {"WILDCARD_MATCH(" + Quote(barcodes[b]) + ")"};
        const std::size_t mode = b + 1;
        k.comment = "mode barcode " + Show(barcodes[b]) + ": comes back empty";
        if (rulesets) {
            const std::uint32_t on = rulesetOf(mode);
            k.comment += "; the records after it take the rules of ruleset " + std::to_string(on);
            for (std::size_t r = 1; r <= roots.size(); ++r) {
                if (r != on) k.actions.push_back("RULESET_OFF(" + std::to_string(r) + ")");
            }
            k.actions.push_back("RULESET_ON(" + std::to_string(on) + ")");
        }
        k.actions.push_back("REPLACE_FIRST(" + Quote(barcodes[b]) + ", '')");
        blocks.push_back(k);
        out.explain.push_back("mode barcode " + Show(barcodes[b]) + ": it comes back empty" +
                              (rulesets ? ", and the records after it come back otherwise than before it" : ""));
    }
    std::size_t unexplained = 0;
    for (std::size_t r = 0; r < roots.size(); ++r) {
        std::vector<Case> cases;
        for (std::size_t m = 0; m < modes.size(); ++m) {
            if (group[m] == roots[r]) cases.insert(cases.end(), modes[m].begin(), modes[m].end());
        }
        Search s(cases, job.keyboard, keys);
        const Solution sol = s.Solve();
        unexplained += sol.unexplained;
        ModeRules rules = Write(s, sol, rulesets ? static_cast<std::uint32_t>(r + 1) : 0, out);
        blocks.insert(blocks.end(), rules.blocks.begin(), rules.blocks.end());
        if (rulesets && !rules.catchesAll) {
            Block rest;
            rest.comment = "any other record of ruleset " + std::to_string(r + 1) + ": as it is";
            rest.ruleset = static_cast<std::uint32_t>(r + 1);
            blocks.push_back(rest);
        }
    }
    for (const Block& b : blocks) script += "\n" + Render(b);
    out.script = script;
    out.failing = Failing(job, script);
    out.ok = out.failing.empty() && unexplained == 0;
    return out;
}

}  // namespace trelmix::learn
