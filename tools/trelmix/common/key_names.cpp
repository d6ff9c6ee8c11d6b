#include "common/key_names.h"

#include "platform/us_layout.h"
#include "trelmix/trelmix.h"

namespace trelmix::cli {

namespace {

struct NamedKey {
    std::uint32_t virtualKey;
    const char* name;
};

constexpr NamedKey kNames[] = {
    {8, "Backspace"},  {9, "Tab"},           {12, "Clear"},     {13, "Enter"},  {16, "Shift"},  {17, "Ctrl"},
    {18, "Alt"},       {19, "Pause"},        {20, "Caps Lock"}, {27, "Escape"}, {32, "Space"},  {33, "Page Up"},
    {34, "Page Down"}, {35, "End"},          {36, "Home"},      {37, "Left"},   {38, "Up"},     {39, "Right"},
    {40, "Down"},      {44, "Print Screen"}, {45, "Insert"},    {46, "Delete"}, {91, "Win"},    {92, "Right Win"},
    {93, "Menu"},      {106, "Num *"},       {107, "Num +"},    {109, "Num -"}, {110, "Num ."}, {111, "Num /"},
    {144, "Num Lock"}, {145, "Scroll Lock"}, {186, ";"},        {187, "="},     {188, ","},     {189, "-"},
    {190, "."},        {191, "/"},           {192, "`"},        {219, "["},     {220, "\\"},    {221, "]"},
    {222, "'"},
};

using Record = std::array<std::uint32_t, 3>;

// The key a record names: its virtual key, or for a scan code alone the first
// virtual key of the US layout with that scan code.
std::string RecordKey(const Record& r) {
    if (r[0] != 0) return VirtualKeyName(r[0]);
    if (r[1] == 0) return "no key";
    for (std::uint32_t vk = 1; vk < 256; ++vk) {
        if (platform::UsScanCode(vk) == r[1]) return VirtualKeyName(vk);
    }
    return std::string("scan code ").append(std::to_string(r[1]));
}

bool SameKey(const Record& a, const Record& b) { return a[0] == b[0] && a[1] == b[1]; }
bool Down(const Record& r) { return r[2] == 0; }
bool Up(const Record& r) { return r[2] == TRLM_KEY_UP; }

}  // namespace

std::string VirtualKeyName(std::uint32_t vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
    if (vk >= 96 && vk <= 105) return std::string("Num ").append(std::to_string(vk - 96));
    if (vk >= 112 && vk <= 135) return std::string("F").append(std::to_string(vk - 111));
    for (const NamedKey& k : kNames) {
        if (k.virtualKey == vk) return k.name;
    }
    return std::string("VK ").append(std::to_string(vk));
}

std::string DescribeInjection(const std::vector<Record>& records) {
    const std::size_t n = records.size();
    if (n == 0) return "injected nothing";

    bool taps = n % 2 == 0;
    for (std::size_t i = 0; taps && i < n; i += 2) {
        taps = Down(records[i]) && Up(records[i + 1]) && SameKey(records[i], records[i + 1]);
    }
    if (taps) {
        std::string out = "tapped ";
        for (std::size_t i = 0; i < n; i += 2) {
            if (i) out += ", ";
            out += RecordKey(records[i]);
        }
        return out;
    }

    bool chord = n % 2 == 0;
    for (std::size_t i = 0; chord && i < n / 2; ++i) {
        const Record& down = records[i];
        const Record& up = records[n - 1 - i];
        chord = Down(down) && Up(up) && SameKey(down, up);
    }
    if (chord) {
        std::string out = "pressed ";
        for (std::size_t i = 0; i < n / 2; ++i) {
            if (i) out += "+";
            out += RecordKey(records[i]);
        }
        return out;
    }

    std::string out = "injected ";
    for (std::size_t i = 0; i < n; ++i) {
        const Record& r = records[i];
        if (i) out += ", ";
        out += RecordKey(r);
        out += Down(r) ? std::string(" down") : Up(r) ? std::string(" up") : " flags " + std::to_string(r[2]);
    }
    return out;
}

}  // namespace trelmix::cli
