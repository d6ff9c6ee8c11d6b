#include "jobs.h"

#include <cstring>
#include <random>

namespace bench {

HostId AppId(std::uint32_t number) { return HostId{0xBE0C0000u + number, 0x4242, 0x0707, {9, 8, 7, 6, 5, 4, 3, 2}}; }

std::u16string Widen(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (unsigned char c : text) out.push_back(c);
    return out;
}

Client::Client(const std::string& script, bool keyboard, std::uint32_t number)
    : id_(keyboard ? KeyboardClientId : AppId(number)) {
    std::u16string text = Widen(script);
    assigned_ = TRLM_AssignScript(&id_, reinterpret_cast<TrelmixChar*>(text.data())) != 0;
}

Client::~Client() {
    char16_t empty[1] = {0};
    TRLM_AssignScript(&id_, reinterpret_cast<TrelmixChar*>(empty));
}

namespace {

// ---- job 1: GS1-128 made readable ------------------------------------------------
//
// A GS1-128 label (code type 15) is a chain of element strings; FNC1 arrives as
// the byte 0x1D (GS). GTIN (01), expiry (17), batch (10) and a serial (21)
// after the separator become "(01)...(17)...(10)...(21)..."; without a serial
// the first three; any other GS1-128 label shows its separators as " | ".

const char* kGs1Script = R"(# GS1-128 made readable
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(15)
    WILDCARD_MATCH('01??????????????17??????10*&#x1D;21*')
END_CRITERIA
BEGIN_ACTION
    INSERT('(')
    SKIP_AHEAD(2)
    INSERT(')')
    SKIP_AHEAD(14)
    INSERT('(')
    SKIP_AHEAD(2)
    INSERT(')')
    SKIP_AHEAD(6)
    INSERT('(')
    SKIP_AHEAD(2)
    INSERT(')')
    REPLACE_FIRST('&#x1D;', '(')
    SKIP_AHEAD(2)
    INSERT(')')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(15)
    WILDCARD_MATCH('01??????????????17??????10*')
END_CRITERIA
BEGIN_ACTION
    INSERT('(')
    SKIP_AHEAD(2)
    INSERT(')')
    SKIP_AHEAD(14)
    INSERT('(')
    SKIP_AHEAD(2)
    INSERT(')')
    SKIP_AHEAD(6)
    INSERT('(')
    SKIP_AHEAD(2)
    INSERT(')')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(15)
END_CRITERIA
BEGIN_ACTION
    REPLACE_ALL('&#x1D;', ' | ')
END_ACTION
END_RULE
)";

// Puts `pieces` one after the other at the start of the buffer, last piece
// first, so that pieces taken from the buffer itself are read before they are
// overwritten (each piece's source lies at or before its destination).
struct Piece {
    const std::uint8_t* bytes;
    std::uint32_t length;
};

std::uint32_t Gs1Floor(std::uint8_t* d, std::uint32_t n, std::uint32_t capacity, std::uint32_t code, std::uint32_t) {
    if (code != 15) return n;
    const bool head =
        n > 26 && d[0] == '0' && d[1] == '1' && d[16] == '1' && d[17] == '7' && d[24] == '1' && d[25] == '0';
    if (head) {
        static const std::uint8_t ai01[] = {'(', '0', '1', ')'}, ai17[] = {'(', '1', '7', ')'},
                                  ai10[] = {'(', '1', '0', ')'}, ai21[] = {'(', '2', '1', ')'};
        const auto* gs = static_cast<const std::uint8_t*>(std::memchr(d + 26, 0x1D, n - 26));
        const std::uint32_t g = gs ? static_cast<std::uint32_t>(gs - d) : n;
        const bool serial = gs && g + 3 < n && d[g + 1] == '2' && d[g + 2] == '1';
        Piece pieces[8] = {{ai01, 4}, {d + 2, 14}, {ai17, 4}, {d + 18, 6}, {ai10, 4}, {d + 26, 0}, {ai21, 4}, {d, 0}};
        std::uint32_t count = 6;
        if (serial) {
            pieces[5].length = g - 26;
            pieces[7] = {d + g + 3, n - g - 3};
            count = 8;
        } else {
            pieces[5].length = n - 26;
        }
        std::uint32_t total = 0;
        for (std::uint32_t i = 0; i < count; ++i) total += pieces[i].length;
        if (total > capacity) return n;
        std::uint32_t end = total;
        for (std::uint32_t i = count; i-- > 0;) {
            end -= pieces[i].length;
            std::memmove(d + end, pieces[i].bytes, pieces[i].length);
        }
        return total;
    }
    // Any other label: each separator becomes " | ", expanding from the end.
    std::uint32_t separators = 0;
    for (std::uint32_t i = 0; i < n; ++i) separators += d[i] == 0x1D;
    const std::uint32_t total = n + 2 * separators;
    if (total > capacity) return n;
    std::uint32_t w = total;
    for (std::uint32_t r = n; r-- > 0;) {
        if (d[r] == 0x1D) {
            d[--w] = ' ';
            d[--w] = '|';
            d[--w] = ' ';
        } else {
            d[--w] = d[r];
        }
    }
    return total;
}

// ---- job 2: item numbers, leading zeros stripped, padded to a fixed field ---------
//
// Interleaved 2 of 5 (code type 6, ten digits) and Code 128 (code type 2,
// eleven digits) carry an item number with up to three leading zeros; the
// stock system reads a left-aligned field of twelve characters.

const char* kItemsScript = R"(# Item numbers: leading zeros stripped, padded to twelve characters
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(6)
    CODE_LENGTH(10)
    WILDCARD_MATCH('000*')
END_CRITERIA
BEGIN_ACTION
    REPLACE_FIRST('000', '')
    PAD_SPACES(5)
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(6)
    CODE_LENGTH(10)
    WILDCARD_MATCH('00*')
END_CRITERIA
BEGIN_ACTION
    REPLACE_FIRST('00', '')
    PAD_SPACES(4)
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(6)
    CODE_LENGTH(10)
    WILDCARD_MATCH('0*')
END_CRITERIA
BEGIN_ACTION
    REPLACE_FIRST('0', '')
    PAD_SPACES(3)
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(6)
    CODE_LENGTH(10)
END_CRITERIA
BEGIN_ACTION
    PAD_SPACES(2)
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(2)
    CODE_LENGTH(11)
    WILDCARD_MATCH('000*')
END_CRITERIA
BEGIN_ACTION
    REPLACE_FIRST('000', '')
    PAD_SPACES(4)
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(2)
    CODE_LENGTH(11)
    WILDCARD_MATCH('00*')
END_CRITERIA
BEGIN_ACTION
    REPLACE_FIRST('00', '')
    PAD_SPACES(3)
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(2)
    CODE_LENGTH(11)
    WILDCARD_MATCH('0*')
END_CRITERIA
BEGIN_ACTION
    REPLACE_FIRST('0', '')
    PAD_SPACES(2)
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(2)
    CODE_LENGTH(11)
END_CRITERIA
BEGIN_ACTION
    PAD_SPACES(1)
END_ACTION
END_RULE
)";

std::uint32_t ItemsFloor(std::uint8_t* d, std::uint32_t n, std::uint32_t capacity, std::uint32_t code, std::uint32_t) {
    constexpr std::uint32_t kField = 12;
    if (!((code == 6 && n == 10) || (code == 2 && n == 11)) || capacity < kField) return n;
    std::uint32_t zeros = 0;
    while (zeros < n && d[zeros] == '0') ++zeros;
    const std::uint32_t kept = n - zeros;
    std::memmove(d, d + zeros, kept);
    std::memset(d + kept, ' ', kField - kept);
    return kField;
}

// ---- job 3: routing, ten rules whose criteria mostly fail -------------------------
//
// A desk that receives many kinds of labels: most scans are Code 128 text
// (code type 8) that no special rule takes and that leaves with CR LF added.

const char* kRoutingScript = R"(# Routing: special labels first, then Code 128 text with CR LF
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(11)
    CODE_LENGTH(12)
END_CRITERIA
BEGIN_ACTION
    PREPEND('UPC ')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(3)
    WILDCARD_MATCH('978*')
END_CRITERIA
BEGIN_ACTION
    PREPEND('ISBN ')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(20)
    PROTOCOL_MATCH(3)
END_CRITERIA
BEGIN_ACTION
    REMOVE_SPACES
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    WILDCARD_MATCH('RMA??????')
END_CRITERIA
BEGIN_ACTION
    REPLACE_FIRST('RMA', 'RETURN ')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(8)
    CODE_MATCH('LOC-', 0)
END_CRITERIA
BEGIN_ACTION
    REPLACE_ALL('-', '/')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(1, 2, 4, 5)
    CODE_LENGTH(7)
END_CRITERIA
BEGIN_ACTION
    PAD_ZEROS(1)
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(30)
    WILDCARD_MATCH('SN*')
END_CRITERIA
BEGIN_ACTION
    MOVE_AFTER('SN')
    INSERT(':')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    PROTOCOL_MATCH(9)
END_CRITERIA
BEGIN_ACTION
    APPEND('&#x09;')
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(8)
    CODE_LENGTH(40)
END_CRITERIA
BEGIN_ACTION
    CRUNCH_SPACES
END_ACTION
END_RULE
BEGIN_RULE
BEGIN_CRITERIA
    CODE_LIST(8)
END_CRITERIA
BEGIN_ACTION
    APPEND('&#x0D;&#x0A;')
END_ACTION
END_RULE
)";

bool StartsWith(const std::uint8_t* d, std::uint32_t n, const char* prefix) {
    const std::size_t k = std::strlen(prefix);
    return n >= k && std::memcmp(d, prefix, k) == 0;
}

std::uint32_t Prepend(std::uint8_t* d, std::uint32_t n, std::uint32_t capacity, const char* text) {
    const std::uint32_t k = static_cast<std::uint32_t>(std::strlen(text));
    if (n + k > capacity) return n;
    std::memmove(d + k, d, n);
    std::memcpy(d, text, k);
    return n + k;
}

std::uint32_t Append(std::uint8_t* d, std::uint32_t n, std::uint32_t capacity, const char* text) {
    const std::uint32_t k = static_cast<std::uint32_t>(std::strlen(text));
    if (n + k > capacity) return n;
    std::memcpy(d + n, text, k);
    return n + k;
}

bool Contains(const std::uint8_t* d, std::uint32_t n, const char* text) {
    const std::uint32_t k = static_cast<std::uint32_t>(std::strlen(text));
    for (std::uint32_t i = 0; i + k <= n; ++i) {
        const void* hit = std::memchr(d + i, text[0], n - k + 1 - i);
        if (!hit) return false;
        i = static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(hit) - d);
        if (std::memcmp(d + i, text, k) == 0) return true;
    }
    return false;
}

std::uint32_t RoutingFloor(std::uint8_t* d, std::uint32_t n, std::uint32_t capacity, std::uint32_t code,
                           std::uint32_t protocol) {
    if (code == 11 && n == 12) return Prepend(d, n, capacity, "UPC ");
    if (code == 3 && n >= 4 && StartsWith(d, n, "978")) return Prepend(d, n, capacity, "ISBN ");
    if (code == 20 && protocol == 3) {
        std::uint32_t w = 0;
        for (std::uint32_t r = 0; r < n; ++r) {
            if (d[r] != ' ') d[w++] = d[r];
        }
        return w;
    }
    if (n == 9 && StartsWith(d, n, "RMA")) {
        if (n + 4 > capacity) return n;
        std::memmove(d + 7, d + 3, n - 3);
        std::memcpy(d, "RETURN ", 7);
        return n + 4;
    }
    if (code == 8 && Contains(d, n, "LOC-")) {
        for (std::uint32_t i = 0; i < n; ++i) {
            if (d[i] == '-') d[i] = '/';
        }
        return n;
    }
    if ((code == 1 || code == 2 || code == 4 || code == 5) && n == 7) return Append(d, n, capacity, "0");
    if (code == 30 && n >= 3 && StartsWith(d, n, "SN")) {
        if (n + 1 > capacity) return n;
        std::memmove(d + 3, d + 2, n - 2);
        d[2] = ':';
        return n + 1;
    }
    if (protocol == 9) return Append(d, n, capacity, "\t");
    if (code == 8 && n == 40) {
        std::uint32_t w = 0;
        for (std::uint32_t r = 0; r < n; ++r) {
            if (d[r] == ' ' && w > 0 && d[w - 1] == ' ') continue;
            d[w++] = d[r];
        }
        return w;
    }
    if (code == 8) return Append(d, n, capacity, "\r\n");
    return n;
}

// ---- records -----------------------------------------------------------------------

class Maker {
public:
    explicit Maker(std::uint32_t seed) : rng_(seed) {}
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }
    std::uint32_t Between(std::uint32_t lo, std::uint32_t hi) { return lo + Below(hi - lo + 1); }
    std::string Digits(std::uint32_t n) { return From("0123456789", n); }
    std::string NonZeroDigit() { return From("123456789", 1); }
    std::string Alnum(std::uint32_t n) { return From("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789", n); }
    // Words of letters and digits between single spaces, sometimes two.
    std::string Text(std::uint32_t n) {
        std::string s;
        while (s.size() < n) {
            if (!s.empty()) s += Below(6) == 0 ? "  " : " ";
            s += From("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", Between(2, 9));
        }
        s.resize(n);
        if (s.back() == ' ') s.back() = 'x';
        return s;
    }

private:
    std::string From(const char* alphabet, std::uint32_t n) {
        const std::uint32_t k = static_cast<std::uint32_t>(std::strlen(alphabet));
        std::string s;
        for (std::uint32_t i = 0; i < n; ++i) s += alphabet[Below(k)];
        return s;
    }
    std::mt19937 rng_;
};

constexpr std::size_t kRecordsPerJob = 256;

std::vector<Record> Gs1Records() {
    Maker m(15);
    std::vector<Record> out;
    for (std::size_t i = 0; i < kRecordsPerJob; ++i) {
        const std::uint32_t kind = m.Below(20);
        std::string head = "01" + m.Digits(14) + "17" + m.Digits(6) + "10" + m.Alnum(m.Between(1, 20));
        if (kind < 10) {
            out.push_back({head +
                               "\x1D"
                               "21" +
                               m.Alnum(m.Between(1, 20)),
                           15, 1});
        } else if (kind < 15) {
            out.push_back({head, 15, 1});
        } else if (kind < 18) {
            // Net weight instead of expiry, several variable fields: up to about 200 bytes.
            std::string s = "01" + m.Digits(14) + "3103" + m.Digits(6) + "10" + m.Alnum(m.Between(1, 20));
            for (std::uint32_t f = m.Between(1, 5); f > 0; --f)
                s += "\x1D"
                     "240" +
                     m.Alnum(m.Between(5, 30));
            out.push_back({s, 15, 1});
        } else {
            out.push_back({m.Digits(13), 3, 1});  // EAN-13: no rule applies
        }
    }
    return out;
}

std::vector<Record> ItemsRecords() {
    Maker m(6);
    std::vector<Record> out;
    for (std::size_t i = 0; i < kRecordsPerJob; ++i) {
        const std::uint32_t kind = m.Below(10);
        const std::uint32_t zeros = m.Below(4);
        if (kind < 5) {
            out.push_back({std::string(zeros, '0') + m.NonZeroDigit() + m.Digits(9 - zeros), 6, 1});
        } else if (kind < 9) {
            out.push_back({std::string(zeros, '0') + m.NonZeroDigit() + m.Digits(10 - zeros), 2, 1});
        } else {
            out.push_back({m.Digits(8), 4, 1});  // EAN-8: passes unchanged
        }
    }
    return out;
}

std::vector<Record> RoutingRecords() {
    Maker m(8);
    std::vector<Record> out;
    for (std::size_t i = 0; i < kRecordsPerJob; ++i) {
        const std::uint32_t kind = m.Below(40);
        switch (kind) {
        case 0: out.push_back({m.Digits(12), 11, 1}); break;
        case 1: out.push_back({"978" + m.Digits(10), 3, 1}); break;
        case 2: out.push_back({m.Text(m.Between(20, 60)), 20, 3}); break;
        case 3: out.push_back({"RMA" + m.Digits(6), 8, 1}); break;
        case 4: out.push_back({"LOC-" + m.Alnum(2) + "-" + m.Alnum(3) + "-" + m.Digits(2), 8, 1}); break;
        case 5: out.push_back({m.Digits(7), 4, 1}); break;
        case 6: out.push_back({"SN" + m.Alnum(m.Between(8, 16)), 30, 1}); break;
        case 7: out.push_back({m.Text(m.Between(20, 80)), 12, 9}); break;
        case 8: out.push_back({m.Text(40), 8, 1}); break;
        case 9: out.push_back({m.Digits(13), 99, 1}); break;  // no rule applies
        default: {
            std::string s = m.Text(m.Between(20, 200));
            if (s.size() == 40) s += "z";
            out.push_back({s, 8, 1});
        }
        }
    }
    return out;
}

}  // namespace

std::vector<Record> RoutingRecordsOfLength(std::uint32_t length, std::size_t count) {
    Maker m(length);
    std::vector<Record> out;
    for (std::size_t i = 0; i < count; ++i) out.push_back({m.Text(length), 8, 1});
    return out;
}

const std::vector<Job>& Jobs() {
    static const std::vector<Job> jobs = {
        {"gs1", "GS1-128 made readable (AIs in parentheses, FNC1 dropped)", kGs1Script, Gs1Floor, Gs1Records()},
        {"items", "item numbers: leading zeros stripped, padded to 12 per code type", kItemsScript, ItemsFloor,
         ItemsRecords()},
        {"routing", "10 rules, criteria mostly fail, last appends CR LF", kRoutingScript, RoutingFloor,
         RoutingRecords()},
    };
    return jobs;
}

}  // namespace bench
