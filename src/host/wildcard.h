// WILDCARD_MATCH: the whole record against a pattern where '?' takes any one
// byte and '*' any bytes. A '*' before a literal takes up to that literal's
// first occurrence and never looks further; a last '*' needs at least one
// byte; "**" and "*?" never match.
#pragma once

#include "actions/byte_span.h"
#include "actions/program.h"
#include "host/run_observer.h"

namespace trelmix {

// The steps of a pattern (WildcardProgram), worked out once when the clause
// compiles. May throw std::bad_alloc.
WildcardProgram CompileWildcard(const ByteArg& pattern);

// True when the record matches. When it does not and `stop` is given, `stop`
// says where the pattern stopped: the step's offset in the pattern (the
// pattern's length when it ended before the record) and the record offset
// where that step was tried.
bool WildcardMatch(const ByteArg& pattern, const WildcardProgram& program, ByteSpan record,
                   WildcardStop* stop = nullptr);

// WildcardMatch without `stop`, compiled apart for runs.
bool WildcardMatchForRun(const ByteArg& pattern, const WildcardProgram& program, ByteSpan record);

// WildcardMatch for a run, inline: the length bounds decide most records that
// fail, and a prefix pattern ('ABC*') is a compare of its first bytes.
inline bool WildcardMatches(const ByteArg& pattern, const WildcardProgram& program, ByteSpan record) {
    if (record.length < program.minLength || (program.exact && record.length != program.minLength)) return false;
    if (!program.prefix) return WildcardMatchForRun(pattern, program, record);
    const std::uint8_t* p = pattern.data();
    for (std::int32_t i = 0; i + 1 < program.minLength; ++i) {
        if (record.bytes[i] != p[i]) return false;
    }
    return true;
}

}  // namespace trelmix
