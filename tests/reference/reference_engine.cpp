#include "reference_engine.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "keyboard/emulation.h"
#include "keyboard/transmit.h"
#include "platform/platform.h"

namespace trelmix::reference {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Record {
    Bytes data;
    std::int32_t cursor = 0;  // may be -1, or past the end after CRUNCH_SPACES
    std::int32_t length() const { return static_cast<std::int32_t>(data.size()); }
};

// The first offset >= start where `pattern` lies wholly inside `text`, or -1.
std::int64_t Find(const Bytes& text, const Bytes& pattern, std::uint64_t start) {
    if (pattern.empty()) return -1;
    for (std::uint64_t i = start; i + pattern.size() <= text.size(); ++i) {
        if (std::equal(pattern.begin(), pattern.end(), text.begin() + static_cast<std::ptrdiff_t>(i))) {
            return static_cast<std::int64_t>(i);
        }
    }
    return -1;
}

// Bytes of `text` from `from` on; the empty range when outside.
Bytes Tail(const Bytes& text, std::int64_t from) {
    return from < 0 || from > static_cast<std::int64_t>(text.size()) ? Bytes{} : Bytes(text.begin() + from, text.end());
}

void CheckSize(std::size_t size) {
    if (size > static_cast<std::size_t>(kMaxRecordLength)) throw std::bad_alloc();
}

// '*' takes the first occurrence of the literal after it and never looks
// further; "**" and "*?" never match; a final '*' needs at least one byte.
bool Wildcard(const Bytes& p, const Bytes& r) {
    const auto wild = [](std::uint8_t b) { return b == '*' || b == '?'; };
    std::size_t i = 0, pos = 0;
    while (i < p.size()) {
        if (p[i] == '?') {
            if (pos >= r.size()) return false;
            ++pos, ++i;
        } else if (p[i] == '*') {
            if (i + 1 == p.size()) return pos < r.size();
            if (pos + 1 >= r.size() || wild(p[i + 1])) return false;
            std::size_t end = i + 1;
            while (end < p.size() && !wild(p[end])) ++end;
            const Bytes literal(p.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                p.begin() + static_cast<std::ptrdiff_t>(end));
            const std::int64_t at = Find(r, literal, pos);
            if (at < 0) return false;
            pos = static_cast<std::size_t>(at) + literal.size();
            i = end;
        } else {
            if (pos >= r.size() || r[pos] != p[i]) return false;
            ++pos, ++i;
        }
    }
    return pos == r.size();
}

bool Passes(const Criteria& c, const Record& r, std::uint32_t codeType, std::uint32_t protocol) {
    if (c.length != kUnset && r.data.size() != c.length) return false;
    if (c.protocol != kUnset && protocol != c.protocol) return false;
    if (!c.codes.empty() && std::find(c.codes.begin(), c.codes.end(), codeType) == c.codes.end()) return false;
    const std::uint64_t from = c.matchPosition == kUnset ? 0 : c.matchPosition;
    if (!c.match.bytes.empty() && Find(r.data, c.match.bytes, from) < 0) return false;
    return c.wildcard.bytes.empty() || Wildcard(c.wildcard.bytes, r.data);
}

// Removes `remove` bytes at the cursor (clamped into the data) and puts `text`
// there; the cursor ends after the text.
void ReplaceAtCursor(Record& r, const Bytes& text, std::int32_t remove) {
    if (remove < 0 || remove > r.length()) return;
    const std::int32_t at = std::clamp(r.cursor, 0, r.length());
    const std::int32_t tail = std::min(r.length(), at + remove);
    CheckSize(r.data.size() - static_cast<std::size_t>(tail - at) + text.size());
    Bytes next(r.data.begin(), r.data.begin() + at);
    next.insert(next.end(), text.begin(), text.end());
    next.insert(next.end(), r.data.begin() + tail, r.data.end());
    r.data = std::move(next);
    r.cursor = at + static_cast<std::int32_t>(text.size());
}

std::int64_t SearchForward(const Record& r, const Bytes& text) {
    if (r.cursor < 0 || r.cursor >= r.length()) return -1;
    return Find(r.data, text, static_cast<std::uint64_t>(r.cursor));
}

void RemoveFromCursor(Record& r, std::uint8_t victim) {
    if (r.cursor < 0 || r.cursor >= r.length()) return;
    r.data.erase(std::remove(r.data.begin() + r.cursor, r.data.end(), victim), r.data.end());
}

void Pad(Record& r, std::int32_t count, std::uint8_t fill) {
    if (count < 0 || count > r.length()) return;
    CheckSize(r.data.size() + static_cast<std::size_t>(count));
    r.data.insert(r.data.end(), static_cast<std::size_t>(count), fill);
    r.cursor = r.length() - 1;
}

void MoveCursorTo(Record& r, std::int64_t target) {
    if (target >= 0 && target < r.length()) r.cursor = static_cast<std::int32_t>(target);
}

void SendBytes(const Record& r, std::int64_t from, std::int64_t to) {
    SendText(r.data.data() + from, static_cast<std::int32_t>(to - from));
}

KeyboardEmulator* Emulator() {
    TransmitObject* t = CurrentTarget();
    return t ? t->emulator : nullptr;
}

// A modifier with one key: a number names the virtual key (low 16 bits, at
// most 255), a text the key that types its first byte; SEND_ALT takes a
// letter (as lower case) or a digit only. A key the layout lacks presses nothing.
void Modified(const ByteArg& arg, std::int32_t modifier, bool lettersAndDigits) {
    KeyboardEmulator* e = Emulator();
    if (!e) return;
    if (arg.isNumber) {
        const std::uint32_t key = static_cast<std::uint32_t>(ParseDecimalBytes(arg)) & 0xFFFFu;
        if (key <= 255) PressChord(*e, {modifier, static_cast<std::int32_t>(key)});
        return;
    }
    if (arg.bytes.empty()) return;
    char16_t c = arg.bytes[0];
    if (lettersAndDigits) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))) return;
    }
    const std::int16_t scan = platform::Current().VkKeyScan(c);
    if (scan != -1) PressChord(*e, {modifier, scan & 0xFF});
}

void Perform(const Action& a, Record& r, Switches& switches) {
    const Bytes& text = a.arg1.bytes;
    const bool cursorInData = r.cursor >= 0 && r.cursor < r.length();
    switch (a.kind) {
    case ActionKind::PadSpace: Pad(r, a.count, ' '); break;
    case ActionKind::PadZero: Pad(r, a.count, '0'); break;
    case ActionKind::RemoveSpaces: RemoveFromCursor(r, ' '); break;
    case ActionKind::RemoveZeros: RemoveFromCursor(r, '0'); break;
    case ActionKind::CrunchSpaces: {
        Bytes next;
        for (std::uint8_t b : r.data) {
            if (!(b == ' ' && !next.empty() && next.back() == ' ')) next.push_back(b);
        }
        r.data = std::move(next);
        break;
    }
    case ActionKind::SkipStart: r.cursor = 0; break;
    case ActionKind::SkipEnd: r.cursor = r.length() - 1; break;
    case ActionKind::SkipAhead: MoveCursorTo(r, std::int64_t{r.cursor} + a.count); break;
    case ActionKind::SkipBack: MoveCursorTo(r, std::int64_t{r.cursor} - a.count); break;
    case ActionKind::ReplaceFirst: {
        const std::int64_t at = SearchForward(r, text);
        if (at < 0) break;
        r.cursor = static_cast<std::int32_t>(at);
        ReplaceAtCursor(r, a.arg2.bytes, static_cast<std::int32_t>(text.size()));
        break;
    }
    case ActionKind::ReplaceAll: {  // every occurrence from the cursor, left to right, without overlap
        std::int64_t at = SearchForward(r, text);
        if (at < 0) break;
        Bytes next(r.data.begin(), r.data.begin() + at);
        std::int64_t from = at;
        for (; at >= 0; at = Find(r.data, text, static_cast<std::uint64_t>(at) + text.size())) {
            next.insert(next.end(), r.data.begin() + from, r.data.begin() + at);
            next.insert(next.end(), a.arg2.bytes.begin(), a.arg2.bytes.end());
            from = at + static_cast<std::int64_t>(text.size());
            CheckSize(next.size());
        }
        r.cursor = static_cast<std::int32_t>(next.size());
        const Bytes tail = Tail(r.data, from);
        CheckSize(next.size() + tail.size());
        next.insert(next.end(), tail.begin(), tail.end());
        r.data = std::move(next);
        break;
    }
    case ActionKind::MoveBefore:
    case ActionKind::MoveAfter: {
        const std::int64_t at = SearchForward(r, text);
        const std::int64_t after = a.kind == ActionKind::MoveAfter ? static_cast<std::int64_t>(text.size()) : 0;
        if (at >= 0) r.cursor = static_cast<std::int32_t>(at + after);
        break;
    }
    case ActionKind::Append:
        r.cursor = r.length();  // then insert there
        ReplaceAtCursor(r, text, 0);
        break;
    case ActionKind::Prepend: {
        const std::int32_t old = r.length();
        r.cursor = 0;
        ReplaceAtCursor(r, text, 0);
        r.cursor = static_cast<std::int32_t>(text.size()) < old ? static_cast<std::int32_t>(text.size()) : 0;
        break;
    }
    case ActionKind::Insert: ReplaceAtCursor(r, text, 0); break;
    case ActionKind::RulesetOn:
    case ActionKind::RulesetOff:
        if (a.count >= 1 && a.count < kRulesetCount) switches[a.count] = a.kind == ActionKind::RulesetOn;
        break;
    case ActionKind::SendAll:
        if (!CurrentTransmitObject()) break;
        r.cursor = 0;
        SendBytes(r, 0, r.length());
        break;
    case ActionKind::SendRem:
        if (CurrentTransmitObject() && cursorInData) SendBytes(r, r.cursor, r.length());
        break;
    case ActionKind::SendUntil: {
        if (!CurrentTransmitObject() || !cursorInData || text.empty()) break;
        const auto hit = std::find(r.data.begin() + r.cursor, r.data.end(), text[0]);
        if (hit != r.data.end()) SendBytes(r, r.cursor, hit - r.data.begin());
        break;
    }
    case ActionKind::SendPause:  // also without a transmit object; the product is taken in 32 bits
        if (a.count > 0) platform::Current().Sleep(static_cast<std::uint32_t>(a.count) * 1000u);
        break;
    case ActionKind::SendAscii: TypeAsciiArgument(a.arg1); break;
    case ActionKind::SendAlt: Modified(a.arg1, vk::Alt, true); break;
    case ActionKind::SendWin: Modified(a.arg1, vk::LeftWindows, false); break;
    case ActionKind::SendCtrl: Modified(a.arg1, vk::Ctrl, false); break;
    case ActionKind::SendFunc:
        if (CurrentTransmitObject()) PressFunctionKey(static_cast<std::uint16_t>(a.count));
        break;
    case ActionKind::SendExtn: PressKeyByName(a.arg1); break;
    case ActionKind::SendNumpad: {
        KeyboardEmulator* e = Emulator();
        if (!e || a.arg1.bytes.empty()) break;
        const std::uint8_t c = a.arg1.bytes[0];
        if (c >= '0' && c <= '9') TapKeys(*e, {vk::Numpad0 + (c - '0')});
        if (c == '.') TapKeys(*e, {vk::Decimal});
        break;
    }
    }
}

}  // namespace

Outcome Run(const Program& script, Switches& switches, const std::uint8_t* data, std::uint32_t length,
            std::uint32_t codeType, std::uint32_t protocol) {
    CheckSize(length);
    Outcome out;
    Record r{length ? Bytes(data, data + length) : Bytes{}};
    for (const Rule& rule : script.rules) {
        if (!rule.actions) {
            out.status = TRLM_STATUS_NO_ACTION_BLOCK;
            return out;
        }
        const bool on = rule.ruleset == 0 || (rule.ruleset < kRulesetCount && switches[rule.ruleset] == 1);
        if (!on) continue;
        const bool applies = rule.criteria && Passes(*rule.criteria, r, codeType, protocol);
        if (rule.criteria && !applies) continue;
        if (applies) out.status = TRLM_STATUS_APPLIED;
        for (std::uint32_t i = 0; i < rule.actions->count; ++i)
            Perform(script.actions[rule.actions->first + i], r, switches);
        if (rule.actions->empty()) return out;  // an empty block stops the run, nothing copied back
        if (applies) break;
    }
    out.status = TRLM_STATUS_APPLIED;
    out.copyBack = true;
    out.record = std::move(r.data);
    return out;
}

ExecuteResult Answer(const Outcome* run, std::uint8_t* data, std::uint32_t length, std::uint32_t capacity,
                     bool guarded) {
    if (!run) return {data, length, TRLM_STATUS_OUT_OF_MEMORY, 0, 0};
    ExecuteResult result{data, length, run->status, 0, 0};
    if (!run->copyBack) return result;
    result.length = static_cast<std::uint32_t>(run->record.size());
    if (guarded && run->record.size() > std::max(capacity, length)) {
        result.status = TRLM_STATUS_TOO_LONG;
    } else if (!run->record.empty()) {
        std::memcpy(data, run->record.data(), run->record.size());
    }
    return result;
}

ExecuteResult Execute(const Program& script, Switches& switches, std::uint8_t* data, std::uint32_t length,
                      std::uint32_t capacity, bool guarded, std::uint32_t codeType, std::uint32_t protocol) {
    try {
        const Outcome run = Run(script, switches, data, length, codeType, protocol);
        return Answer(&run, data, length, capacity, guarded);
    } catch (const std::bad_alloc&) {
        return Answer(nullptr, data, length, capacity, guarded);
    }
}

}  // namespace trelmix::reference
